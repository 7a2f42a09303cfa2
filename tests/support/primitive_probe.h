// Whether the software primitives that the drawing calls hand their work to
// draw anything yet: tests of those calls skip while a primitive is missing.
#ifndef OMBREL_TESTS_SUPPORT_PRIMITIVE_PROBE_H
#define OMBREL_TESTS_SUPPORT_PRIMITIVE_PROBE_H

// Empty when the filled rectangle, the line, the stretched blit and the
// triangle all draw; otherwise the name of the first that does not.
const char* MissingSoftwarePrimitive();

#endif
