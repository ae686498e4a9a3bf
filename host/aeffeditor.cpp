#include "host/aeffeditor.h"

bool AEffEditor::getRect(ERect** rect) {
    if (rect) *rect = nullptr;
    return false;
}

bool AEffEditor::open(void* ptr) {
    systemWindow = ptr;
    return false;
}
