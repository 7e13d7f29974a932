// Which SDL renderer draws the live pictures. Where a GPU draws, SDL's GPU
// renderer does (its first choice, OpenGL on X). Where the display has no
// GPU behind it (Xvfb, a virtual machine, a remote X server), OpenGL is a
// software rasterizer (Mesa's llvmpipe, softpipe, swrast): a whole GL
// pipeline run on the CPU, with a compiler and threads of its own, for a
// picture that only needs copying onto the screen; SDL's own software
// renderer draws the same pixels for a fraction of the CPU and memory.
// So the first render widget of the program tries the GPU renderer, asks
// OpenGL who renders, and on a software rasterizer every render widget
// takes SDL's software renderer instead, its window surface put on the
// screen by X itself (not through a GL texture, SDL's default on X11).
// SDL_RENDER_DRIVER in the
// environment (SDL's own hint) still decides when it is set.
#pragma once

// True for an OpenGL renderer string (GL_RENDERER) of a software
// rasterizer.
bool isSoftwareRasterizer(const char* glRenderer);
