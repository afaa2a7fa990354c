#include "input/DocumentReader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "input/PlainText.h"
#include "support/FastStrings.h"
#include "support/FileCalls.h"
#include "support/SystemErrorText.h"

namespace fs = std::filesystem;

namespace input {
namespace {

std::string LowerExtension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

std::string NameOf(const std::string& path) { return fs::path(path).filename().string(); }

bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// Bytes that no text holds: NUL, or many control characters.
bool LooksBinary(std::string_view bytes) {
  const std::string_view head = bytes.substr(0, std::min<size_t>(bytes.size(), 65536));
  size_t control = 0;
  for (char ch : head) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == 0) return true;
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1B) ++control;
  }
  return control * 20 > head.size();
}

std::string MegaBytes(uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20); }

}  // namespace

TSourceKind KindOf(const std::string& path, std::string_view head) {
  if (StartsWith(head, "PK\x03\x04") || StartsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") ||
      StartsWith(head, "{\\rtf"))
    return TSourceKind::skOffice;
  const std::string ext = LowerExtension(path);
  if (ext == ".txt" || ext == ".text") return TSourceKind::skText;
  if (ext == ".docx" || ext == ".doc" || ext == ".odt" || ext == ".rtf") return TSourceKind::skOffice;
  return TSourceKind::skHtml;
}

std::string ReadFileBytes(const std::string& path, uint64_t maxBytes) {
  if (path.empty()) throw EReadError("Не задано имя файла.");
  const std::string name = NameOf(path);
  auto cannotRead = [&](int err) {
    if (err == ENOENT) return EReadError("Файл " + path + " не найден.");
    return EReadError("Не могу прочитать файл " + path + ": " + SystemErrorText(err) + ".");
  };
  auto check = [&](const filecalls::TInfo& st) {
    if (st.Kind == filecalls::TKind::Folder) throw EReadError(path + " — это папка, а не файл. Выберите файл с текстом.");
    // A FIFO, a device or a socket would block or never end: only regular files are texts.
    if (st.Kind != filecalls::TKind::Regular)
      throw EReadError(path + " не является обычным файлом. Выберите файл с текстом.");
    if (st.Size > maxBytes)
      throw EReadError("Файл " + name + " слишком велик (" + MegaBytes(st.Size) + " МБ); открываются файлы до " +
                       MegaBytes(maxBytes) + " МБ.");
  };
  filecalls::TInfo st;
  if (const int e = filecalls::Inspect(path, true, st)) throw cannotRead(e);
  check(st);
  // Should the entry have become a FIFO since, the open does not wait for a writer.
  int fd = -1;
  if (const int e = filecalls::OpenForReading(path, false, fd)) throw cannotRead(e);
  std::string out;
  int failed = 0;
  try {
    if (const int e = filecalls::InspectOpen(fd, st)) throw cannotRead(e);
    check(st);
    // At most the limit and one byte: a file that grows while read is refused, not read on.
    const uint64_t limit = maxBytes == ~uint64_t{0} ? maxBytes : maxBytes + 1;
    size_t chunk = static_cast<size_t>(std::min<uint64_t>(st.Size + 1, limit));
    for (;;) {
      if (chunk == 0) chunk = 1;
      const size_t old = out.size();
      out.resize(old + chunk);
      size_t got = 0;
      failed = filecalls::ReadSome(fd, out.data() + old, chunk, got);
      out.resize(old + got);
      if (failed || got == 0 || out.size() >= limit) break;
      chunk = static_cast<size_t>(std::min<uint64_t>(uint64_t{1} << 16, limit - out.size()));
    }
  } catch (...) {
    filecalls::CloseFile(fd);
    throw;
  }
  filecalls::CloseFile(fd);
  if (failed) throw cannotRead(failed);
  if (out.size() > maxBytes)
    throw EReadError("Файл " + name + " слишком велик; открываются файлы до " + MegaBytes(maxBytes) + " МБ.");
  return out;
}

TDocument ReadDocument(const std::string& path, const TReadOptions& options) {
  TDocument doc;
  std::string bytes = ReadFileBytes(path, options.MaxBytes);
  if (bytes.empty()) return doc;
  doc.Kind = KindOf(path, bytes);
  if (doc.Kind == TSourceKind::skOffice) {
    bytes = ConvertOfficeToHtml(path, options.Office);
  }
  TCodePage cp = TCodePage::cpWindows1251;
  const size_t bom = ByteOrderMark(bytes, cp);
  if (bom == 0) {
    if (LooksLikeUtf16(bytes, cp)) {
      // read as UTF-16 without a mark
    } else if (LooksBinary(bytes)) {
      throw EReadError("Файл " + NameOf(path) +
                       " не похож на текст: это не страница HTML, не текстовый файл и не документ "
                       "Word, OpenDocument или RTF.");
    } else {
      cp = DetectCodePage(bytes, doc.Kind != TSourceKind::skText);
    }
  }
  doc.CodePage = cp;
  const std::string_view content = std::string_view(bytes).substr(bom);
  if (doc.Kind == TSourceKind::skText) {
    doc.Html = PlainTextToHtml(content, cp);
  } else if (bom == 0 && cp == TCodePage::cpWindows1251) {
    doc.Html = std::move(bytes);  // the common case: the bytes as they are
  } else {
    doc.Html = ToWindows1251Html(content, cp);
  }
  if (doc.Kind == TSourceKind::skOffice) doc.Html = DropImages(doc.Html);
  return doc;
}

std::string BodyContent(std::string_view html) {
  const int body = FindFromNoCase("<body", html, 1);
  if (body <= 0) return std::string(html);
  const size_t open = html.find('>', static_cast<size_t>(body - 1));
  if (open == std::string_view::npos) return {};
  std::string_view rest = html.substr(open + 1);
  if (const int end = FindFromNoCase("</body", rest, 1); end > 0) rest = rest.substr(0, static_cast<size_t>(end - 1));
  return std::string(rest);
}

std::string DropImages(std::string_view html) {
  std::string out;
  out.reserve(html.size());
  size_t from = 0;
  for (;;) {
    const int at = FindFromNoCase("<img", html, static_cast<int>(from) + 1);
    if (at <= 0) break;
    const size_t start = static_cast<size_t>(at - 1);
    const char next = start + 4 < html.size() ? html[start + 4] : '>';
    if (!(std::isspace(static_cast<unsigned char>(next)) || next == '>' || next == '/')) {
      out.append(html.substr(from, start + 4 - from));
      from = start + 4;
      continue;
    }
    // The tag ends at the first ">" outside a quoted attribute value.
    size_t i = start + 4;
    char quote = 0;
    for (; i < html.size(); ++i) {
      const char c = html[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        break;
      }
    }
    out.append(html.substr(from, start - from));
    from = std::min(i + 1, html.size());
  }
  out.append(html.substr(from));
  return out;
}

}  // namespace input
