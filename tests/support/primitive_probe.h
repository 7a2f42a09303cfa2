// Whether the software triangle draws anything yet: the drawing calls that
// hand their work to it (quads, thick lines) skip their tests until it does.
#ifndef OMBREL_TESTS_SUPPORT_PRIMITIVE_PROBE_H
#define OMBREL_TESTS_SUPPORT_PRIMITIVE_PROBE_H

bool SoftwareTriangleDraws();

#endif
