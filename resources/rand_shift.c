/* Preloaded into a second run of the sound generator: moves the C library's
   random state before the program starts, as a library loaded into the same
   process could. */
#include <stdlib.h>

__attribute__((constructor)) static void shift(void) {
    for (int i = 0; i < 12345; i++) rand();
}
