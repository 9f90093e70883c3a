// What the Win32 backend offers beyond the forms interface: the module whose resources it uses
// (the DLL sets it from DllMain; a program that links the backend directly may leave it unset and
// the executable's own module is used), and what a library that hosts the backend needs for its
// lifetime.
#pragma once

namespace quillon::forms::win32 {

void set_module_instance(void* hinstance);
void* module_instance();

// Native form windows alive in the process, on any thread (hidden ones that wait to be destroyed
// included): their window procedures are in this module, so it must stay loaded while any exists.
long open_form_windows();
// Accessible objects of form windows that clients still hold: their code is in this module too.
long live_accessible_objects();

// Frees the calling thread's backend (its text layout, fonts and memory DC). Call it only when
// no form of the thread is loaded; the next use makes a new one.
void release_thread_backend();

// Frees the surfaces kept for the next canvases on any thread. For a library that is being
// unloaded.
void release_spare_surfaces();

// Removes the window classes that the backend registered; the next window registers them again.
// For a library that is being unloaded (its window procedures go with it).
void unregister_window_classes();

}  // namespace quillon::forms::win32
