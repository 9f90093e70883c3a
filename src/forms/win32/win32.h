// What the Win32 backend offers beyond the forms interface: the module whose resources it uses
// (the DLL sets it from DllMain; a program that links the backend directly may leave it unset and
// the executable's own module is used).
#pragma once

namespace quillon::forms::win32 {

void set_module_instance(void* hinstance);
void* module_instance();

}  // namespace quillon::forms::win32
