// GL context calls on a GL panel handle, as plain functions for the engine.
#pragma once

#include <string>

namespace platform {

// window: the handle of a GL panel (the engine keeps it as MainWindowHandle).
bool GlCreateContext(void* window, int colorBits, bool stencil, std::string& failedStep);
bool GlMakeCurrent(void* window);
void GlSwapBuffers(void* window);
void* GlProcAddress(void* window, const char* name);
void GlDestroyContext(void* window);
void GlWindowSize(void* window, int& width, int& height);

}  // namespace platform
