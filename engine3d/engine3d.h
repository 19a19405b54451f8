#pragma once
/* The engine3d library: a small software 3D renderer loaded at run time by the About
 * window. Plain C interface; every operation below is exported by this exact name.
 *
 * Objects (cameras, meshes, textures, materials, entities) are addressed by small
 * integer numbers chosen by the caller (0 to 4095). Creating or loading an object under
 * a number first releases whatever lived there. Operations on a number that holds no
 * object do nothing (queries give 0). Nothing here reports through exceptions.
 *
 * Coordinates: right-handed, y up, the camera looks along its -z axis. Angles are in
 * degrees. Colours are packed as red in bits 0-7, green 8-15, blue 16-23 (bits 24-31
 * are ignored). Frames and textures store bytes R, G, B, A, rows top first.
 *
 * Rendering: triangles are one-sided (counter-clockwise as seen is the front),
 * perspective-correct, depth-buffered; materials are unlit (the texture colour is the
 * surface colour). Everything runs on the calling thread. */
#include <stdint.h>

#include "imaging/drawing_target.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The interface version this library implements; hosts refuse any other. */
#define ENGINE_INTERFACE_VERSION 572

/* ---- screen level --------------------------------------------------------------- */

/* ENGINE_INTERFACE_VERSION. */
int32_t EngineInterfaceVersion(void);
/* Prepares the library; 1 on success, 0 on failure. Calling it again resets nothing. */
int32_t EngineInit(void);
/* Releases every object and the screen; the library may be unloaded afterwards. */
void EngineShutdown(void);

/* Receives each finished frame from EngineShowFrame: the window, x, y, width and height
 * exactly as given to EngineOpenWindowScreen, and width x height RGBA pixels (4 * width
 * bytes a row, rows top first, alpha 255), valid only during the call. */
typedef void (*EnginePresentCallback)(void* user, intptr_t window, int32_t x, int32_t y, int32_t width, int32_t height,
                                      const uint8_t* rgba);
void EngineSetPresentCallback(EnginePresentCallback callback, void* user);

/* Antialiasing mode: 0 off, 1 = 2x2 supersampling (each frame pixel is the mean of four
 * rendered samples). Other values count as 0. Takes effect at the next rendered frame. */
void EngineSetAntialiasing(int32_t mode);

/* Opens the screen: frames of width x height pixels (1 to 8192 each) for the host's window.
 * window, x and y are the host's own values, handed back unchanged with every frame
 * (the host decides where the frame shows). depth is bits per pixel: 32 (or 24, treated
 * as 32). 1 on success, 0 on bad values, missing initialisation or lack of memory.
 * Opening again replaces the previous screen. */
int32_t EngineOpenWindowScreen(intptr_t window, int32_t x, int32_t y, int32_t width, int32_t height, int32_t depth);

/* Renders every camera (in number order) into the frame: each clears its viewport to
 * its background colour, then draws every entity that has a mesh. */
void EngineRenderFrame(void);
/* Hands the frame to the present callback, then paces frames to about 60 a second by
 * sleeping the rest of 16.7 ms since the previous EngineShowFrame returned. */
void EngineShowFrame(void);
/* The last rendered frame (width x height RGBA as above), or null without a screen. */
const uint8_t* EngineFramePixels(int32_t* width, int32_t* height);

/* ---- cameras ---------------------------------------------------------------------- */

/* A camera whose viewport is left %, top %, width %, height % of the screen. It starts at
 * (0, 0, 0) looking along -z, field of view 45, background black. */
void EngineCreateCamera(int32_t camera, float left, float top, float width, float height);
/* The vertical field of view in degrees, clamped to 1..170. */
void EngineCameraFieldOfView(int32_t camera, float degrees);
void EngineCameraBackground(int32_t camera, uint32_t colour);
/* Camera move modes: */
#define ENGINE_MOVE_ABSOLUTE 2 /* x, y, z become the position */
#define ENGINE_MOVE_OFFSET 8   /* x, y, z are added to the position (world axes) */
/* Moves the camera; other modes do nothing. The viewing direction is kept. */
void EngineMoveCamera(int32_t camera, float x, float y, float z, int32_t mode);
/* Turns the camera to look at the point (world y stays up); nothing when the point is
 * the camera's position. */
void EngineCameraLookAt(int32_t camera, float x, float y, float z);
/* The camera's current y, exactly as last set or reached by moving. */
float EngineCameraHeight(int32_t camera);

/* ---- resources -------------------------------------------------------------------- */

/* Resource folder types: */
#define ENGINE_FOLDER_PLAIN 0 /* a plain folder of files */
/* Adds a folder in which EngineLoadMesh and EngineLoadTexture look up file names, in the
 * order added, before trying the name as given. Other types are ignored. */
void EngineAddResourceFolder(const char* path, int32_t type);

/* ---- meshes ----------------------------------------------------------------------- */

/* Loads a mesh file (the text format of engine3d/MESH-FORMAT.md). A missing or malformed
 * file leaves the number empty: entities using it draw nothing. */
void EngineLoadMesh(int32_t mesh, const char* file_name);

/* ---- textures --------------------------------------------------------------------- */

/* Loads a PNG file as a texture. A missing or unreadable file leaves the number empty:
 * materials using it sample opaque white. Sizes that are not powers of two are resampled
 * to the next power of two for sampling; coordinates wrap (repeat). */
void EngineLoadTexture(int32_t texture, const char* file_name);
/* A texture of width x height pixels (1 to 4096), opaque black. */
void EngineCreateTexture(int32_t texture, int32_t width, int32_t height);
/* A drawing target over the texture's pixels (4 bytes R, G, B, A a pixel, rows top first),
 * valid until the texture is released. The engine sees what was drawn at the next frame.
 * Null when the number holds no texture. */
ZenDrawingTarget* EngineDrawIntoTexture(int32_t texture);

/* ---- materials -------------------------------------------------------------------- */

/* A material whose layer 0 is the texture (which may be created later under its number). */
void EngineCreateMaterial(int32_t material, int32_t texture);
/* Filtering modes (for every layer of the material): */
#define ENGINE_FILTER_NEAREST 0
#define ENGINE_FILTER_BILINEAR 1  /* the default */
#define ENGINE_FILTER_MIPMAPPED 2 /* bilinear on the nearest mipmap level */
#define ENGINE_FILTER_TRILINEAR 3 /* bilinear on the two nearest levels, blended */
/* level is an anisotropy hint, kept but not used. Unknown modes count as bilinear. */
void EngineMaterialFiltering(int32_t material, int32_t mode, int32_t level);
/* Flag 1: unlit. Materials are always unlit here; the flag is kept for the host's sake. */
void EngineMaterialUnlit(int32_t material, int32_t flag);
/* Layer blend modes, applied over the layers below: */
#define ENGINE_BLEND_REPLACE 0 /* the layer's colour */
#define ENGINE_BLEND_ADD 1     /* colour added, clamped at 255 */
#define ENGINE_BLEND_ALPHA 2   /* mixed by the layer's alpha */
/* Adds a texture layer on top (layer 1, 2, ...; at most 3 layers above layer 0). */
void EngineAddMaterialLayer(int32_t material, int32_t texture, int32_t blend_mode);
/* Material attributes: */
#define ENGINE_ATTR_TEXCOORDS                      \
  15 /* value 0: the mesh's coordinates (default), \
        value 2: spherical environment mapping */
/* Sets an attribute of one layer (0 = the base). Unknown attributes are ignored. */
void EngineMaterialAttribute(int32_t material, int32_t attribute, int32_t value, int32_t layer);

/* ---- entities --------------------------------------------------------------------- */

/* An entity showing the mesh with the material, at the origin, unrotated. */
void EngineCreateEntity(int32_t entity, int32_t mesh, int32_t material);
/* Attaches child to parent so it moves and turns with it. There are no named attachment
 * points: every name (an empty one included) means the parent's root. Attaching that
 * would make a cycle is refused. */
void EngineAttachEntity(int32_t parent, const char* point_name, int32_t child);
/* The rotation about the vertical axis, exactly as last set. */
float EngineEntityYaw(int32_t entity);
/* Sets the rotation (degrees about x, y and z; applied as z, then x, then y). */
void EngineRotateEntity(int32_t entity, float x, float y, float z);

/* ---- pointer types for hosts that resolve the operations by name ------------------ */
typedef int32_t (*EngineInterfaceVersionFn)(void);
typedef int32_t (*EngineInitFn)(void);
typedef void (*EngineShutdownFn)(void);
typedef void (*EngineSetPresentCallbackFn)(EnginePresentCallback, void*);
typedef void (*EngineSetAntialiasingFn)(int32_t);
typedef int32_t (*EngineOpenWindowScreenFn)(intptr_t, int32_t, int32_t, int32_t, int32_t, int32_t);
typedef void (*EngineRenderFrameFn)(void);
typedef void (*EngineShowFrameFn)(void);
typedef const uint8_t* (*EngineFramePixelsFn)(int32_t*, int32_t*);
typedef void (*EngineCreateCameraFn)(int32_t, float, float, float, float);
typedef void (*EngineCameraFieldOfViewFn)(int32_t, float);
typedef void (*EngineCameraBackgroundFn)(int32_t, uint32_t);
typedef void (*EngineMoveCameraFn)(int32_t, float, float, float, int32_t);
typedef void (*EngineCameraLookAtFn)(int32_t, float, float, float);
typedef float (*EngineCameraHeightFn)(int32_t);
typedef void (*EngineAddResourceFolderFn)(const char*, int32_t);
typedef void (*EngineLoadMeshFn)(int32_t, const char*);
typedef void (*EngineLoadTextureFn)(int32_t, const char*);
typedef void (*EngineCreateTextureFn)(int32_t, int32_t, int32_t);
typedef ZenDrawingTarget* (*EngineDrawIntoTextureFn)(int32_t);
typedef void (*EngineCreateMaterialFn)(int32_t, int32_t);
typedef void (*EngineMaterialFilteringFn)(int32_t, int32_t, int32_t);
typedef void (*EngineMaterialUnlitFn)(int32_t, int32_t);
typedef void (*EngineAddMaterialLayerFn)(int32_t, int32_t, int32_t);
typedef void (*EngineMaterialAttributeFn)(int32_t, int32_t, int32_t, int32_t);
typedef void (*EngineCreateEntityFn)(int32_t, int32_t, int32_t);
typedef void (*EngineAttachEntityFn)(int32_t, const char*, int32_t);
typedef float (*EngineEntityYawFn)(int32_t);
typedef void (*EngineRotateEntityFn)(int32_t, float, float, float);

#ifdef __cplusplus
}
#endif
