#include "editor-program/parent_watch.h"

#include <unistd.h>

ParentWatch::ParentWatch() : parent(getppid()) {}

bool ParentWatch::gone() const { return getppid() != parent; }
