#include "links/OutsideOpener.h"

#include <QDesktopServices>

#include "support/Cp1251.h"

namespace {

TOutsideOpener& Opener() {
  static TOutsideOpener opener;
  return opener;
}

bool Open(const QUrl& url) {
  if (!url.isValid()) return false;
  if (Opener()) return Opener()(url);
  return QDesktopServices::openUrl(url);
}

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

void SetOutsideOpener(TOutsideOpener opener) { Opener() = std::move(opener); }

bool MayOpenOutside(const std::string& address) {
  const std::string a = cp1251::ToLower(Trimmed(address));
  for (const char* scheme : {"http:", "https:", "mailto:"})
    if (a.rfind(scheme, 0) == 0) return true;
  return false;
}

bool OpenLinkOutside(const std::string& address) {
  if (!MayOpenOutside(address)) return false;
  const QUrl url(QString::fromUtf8(cp1251::ToUtf8(Trimmed(address))), QUrl::TolerantMode);
  // The parsed address must still be what was checked (no scheme smuggled past the check).
  const QString scheme = url.scheme().toLower();
  if (scheme != "http" && scheme != "https" && scheme != "mailto") return false;
  return Open(url);
}

bool OpenOwnPageOutside(const QString& path) { return Open(QUrl::fromLocalFile(path)); }
