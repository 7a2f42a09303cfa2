// Keeps the device layer's copy of what it reads of the graphics core (the
// draw target, its size and area) current, and hands it the graph
// operations it calls back.
#ifndef OMBREL_GRAPHICS_DEVICE_CORE_LINK_H
#define OMBREL_GRAPHICS_DEVICE_CORE_LINK_H

void LinkDeviceCoreHooks();
// After every change of the draw target or its area.
void SyncDeviceCoreDrawTarget();
// After every change of the blend mode, parameter, bright, blend graph,
// filter or the other per-draw settings.
void SyncDeviceCoreDrawSettings();
// After every change of the matrices or the fog settings.
void SyncDeviceCoreCamera();
// After every change of the light table or the material.
void SyncDeviceCoreLights();

#endif
