#include "view/HtmlView.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <cctype>
#include <cstdio>

std::string ColourText(unsigned rgb) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%06x", rgb & 0xFFFFFFu);
  return buf;
}

void THtmlView::SetBackgroundColor(const TElementRef& ref, unsigned rgb) { SetBackgroundColor(ref, ColourText(rgb)); }

std::string NormaliseColour(const std::string& colour) {
  std::string s;
  for (char c : colour) s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // "#rgb" and "#rrggbb"
  if (!s.empty() && s[0] == '#') {
    std::string hex = s.substr(1);
    for (char c : hex)
      if (!std::isxdigit(static_cast<unsigned char>(c))) return colour;
    if (hex.size() == 3) return std::string("#") + hex[0] + hex[0] + hex[1] + hex[1] + hex[2] + hex[2];
    if (hex.size() == 6) return s;
    return colour;
  }
  // "rgb(r, g, b)" and "rgba(r, g, b, a)"
  int r, g, b;
  if (std::sscanf(s.c_str(), "rgb(%d , %d , %d )", &r, &g, &b) == 3 ||
      std::sscanf(s.c_str(), "rgba(%d , %d , %d ,", &r, &g, &b) == 3) {
    if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) return colour;
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", r, g, b);
    return buf;
  }
  return colour;
}

bool THtmlView::CopySelectionToClipboard(int timeoutMs) {
  if (!HasDocument()) return false;
  QClipboard* clipboard = QGuiApplication::clipboard();
  QEventLoop loop;
  bool changed = false;
  const auto c = connect(clipboard, &QClipboard::dataChanged, &loop, [&] {
    changed = true;
    loop.quit();
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  CopySelection();
  if (!changed) loop.exec(QEventLoop::ExcludeUserInputEvents);
  disconnect(c);
  return changed;
}
