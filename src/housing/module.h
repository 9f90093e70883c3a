// Module plumbing of Quillon.dll: the instance handle, the lock count behind DllCanUnloadNow, the
// type information of the embedded type library, and the error object that reaches callers.
#pragma once

// clang-format off
#include <windows.h>  // first: the other platform headers need it
#include <oaidl.h>
// clang-format on

#include <string>

#include "housing/handles.h"

namespace quillon::housing {

HINSTANCE module_instance();
std::wstring module_path();

// Objects alive plus class-factory locks. (Form windows keep the module loaded too: see
// DllCanUnloadNow.)
void lock_module();
void unlock_module();
long module_locks();

// An object's life on the thread that created it. When a thread's last object goes and none of
// its windows is up, the thread's windows and drawing resources are freed; otherwise they are freed
// when the thread ends.
void object_created();
void object_destroyed(unsigned long creator_thread);

// The dual interface's two descriptions from the library in our own resources: the dispatch side
// (what GetTypeInfo hands out) and the vtable side (what DispInvoke calls through).
HRESULT dispatch_type_info(ComPtr<ITypeInfo>& out);
HRESULT vtable_type_info(ComPtr<ITypeInfo>& out);
void release_type_info();

// What Invoke needs to know of a member before the standard argument handling, read from the
// type library's own descriptions (each member's FUNCDESC), so the library is the one table.
enum class ValueKind { Other, Colour, Boolean };
struct Member {
  bool method = false;                 // MsgBox; else a property
  ValueKind value = ValueKind::Other;  // what a property holds
};
// DISP_E_MEMBERNOTFOUND for an id that no member has.
HRESULT member_of(DISPID id, Member& out);

// Sets the thread's error object (source "QuillonLib.Quillon") and returns hr.
HRESULT report_error(HRESULT hr, const std::wstring& description);

}  // namespace quillon::housing
