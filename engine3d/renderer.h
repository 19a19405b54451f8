#pragma once
// Rendering a frame: every camera's view of every entity, then the resolve into the frame.
#include "engine3d/engine_state.h"

namespace zen::engine3d {

// Sizes the render target for the screen and the antialiasing mode; false without memory.
bool PrepareRenderTarget(EngineState& state);
void RenderFrame(EngineState& state);
// The world transform of an entity (its parents' turns included).
Affine EntityWorld(const EngineState& state, int32_t entity);

}  // namespace zen::engine3d
