// The Win32 backend of the forms toolkit: real windows under USER, painting with GDI.
//
// Implemented:
// - forms as popup windows with a fixed dialog frame and no caption, outer size from the form's
//   twips through the screen's pixels per inch; a button in the task bar;
// - one native window per form: picture boxes (each showing its persistent image, a 32-bit DIB
//   section), labels, lines and images are windowless, composed in the thread's back buffer in
//   the form's WM_PAINT, only where the window is invalid;
// - command buttons as owner-drawn push buttons, made when first shown, with their BackColor face,
// focus rectangle and
//   default frame, pushed in while the toolkit holds them down; keys, characters, clicks, focus
//   changes and activations reported to the toolkit's Navigation, which decides what they do;
// - mouse presses on picture boxes, labels and images, hit-tested on the form, with the release
//   delivered to the control that saw the press (mouse capture);
// - timers with SetTimer on the form's window; ticks only from a message loop;
// - modal showing with a message loop of its own that ends when the form unloads (other windows of
//   the thread are disabled meanwhile), modeless showing; Activate on first showing and when the
//   activation comes from another window of this process;
// - the form's window and buttons follow the model in one pass when the form is first shown, at
//   once afterwards;
// - Unload from inside any handler: the windows are hidden at once and destroyed later, outside
//   every handler;
// - accessibility: the form's caption as the window text; WM_GETOBJECT answered with an object
//   that names the form's parts in reading order (accessible.cpp); the dialog's start and end, and
//   an alert where the form asks for one, raised as win events;
// - the screen, GDI text layout, the canvas with per-pixel shapes, and the platform services
//   (active window, window rectangle and text, system colours and metrics, stock icons, topmost,
//   drag, the message sound).
#include <algorithm>
#include <memory>
#include <utility>

#include "forms/win32/internal.h"

namespace quillon::forms::win32 {

namespace {
// A plain pointer: a thread_local object with a destructor would make the C++ run time pin the
// library for the thread's lifetime and free it from the thread's exit, under the loader lock,
// where unloading the library hangs. release_thread_backend() frees it instead.
thread_local Win32Backend* t_backend = nullptr;
}  // namespace

Win32Backend& win32_backend() {
  if (!t_backend) t_backend = new Win32Backend();
  return *t_backend;
}

void release_thread_backend() {
  delete std::exchange(t_backend, nullptr);
}

std::unique_ptr<Canvas> Win32Backend::make_canvas(int width, int height, Rgb fill) {
  return std::make_unique<DibCanvas>(width, height, fill, &spare_surfaces());
}

void release_spare_surfaces() {
  spare_surfaces().clear();
}

Win32Backend::~Win32Backend() {
  if (back_) spare_surfaces().give(back_->take_surface());
}

DibCanvas& Win32Backend::back_buffer(int width, int height) {
  if (!back_) {
    if (auto spare = spare_surfaces().take_at_least(width, height))
      back_.emplace(std::move(spare));
    else
      back_.emplace(width, height, 0);
  }
  if (back_->width() < width || back_->height() < height)
    back_->ensure_size(std::max(width, back_->width()), std::max(height, back_->height()));
  return *back_;
}

std::unique_ptr<FormPeer> Win32Backend::load(Form& form) {
  return make_form_peer(form, *this);
}

}  // namespace quillon::forms::win32
