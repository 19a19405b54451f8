/* A stand-in engine library for the loader's tests: it answers the version and the
 * initialisation with the values it was built with, and offers nothing else. */
#include <stdint.h>

__attribute__((visibility("default"))) int32_t EngineInterfaceVersion(void) { return STUB_VERSION; }
__attribute__((visibility("default"))) int32_t EngineInit(void) { return STUB_INIT_RESULT; }
