#pragma once

#include <sys/types.h>

#include <QRect>
#include <optional>
#include <string>

// An X server of the test's own (Xvfb) and a client of it that finds windows by name, types keys,
// clicks and asks windows to close as a window manager does, for tests that drive a real program
// from outside. libX11 and libXtst are loaded when the session starts; without them, or without
// Xvfb, the session is not usable and says why.
namespace kova::test {

class XSession {
 public:
  XSession();
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  // ":N", or empty when no server runs (Problem() says why).
  const std::string& Display() const { return display_; }
  const std::string& Problem() const { return problem_; }

  // The first top-level window on the screen (mapped) whose name is exactly `name`, or 0.
  unsigned long FindWindow(const std::string& name) const;
  // Where the window lies on the screen.
  std::optional<QRect> Geometry(unsigned long window) const;
  // Presses and releases the key of the X key symbol (0xff0d Return) where the focus is.
  void PressKey(unsigned long keySymbol) const;
  // Clicks the left button at the point of the screen.
  void Click(int x, int y) const;
  // Asks the window to close (WM_DELETE_WINDOW), as the title bar's close button does.
  void Close(unsigned long window) const;

 private:
  struct Library;
  Library* x_ = nullptr;
  void* display_handle_ = nullptr;
  pid_t server_ = -1;
  std::string display_;
  std::string problem_;
};

}  // namespace kova::test
