#include "input/ViewTextFile.h"

#include <string_view>

#include "engine/ResultPages.h"
#include "input/DocumentReader.h"

std::string ReadViewTextFile(const std::string& path) {
  const input::TDocument doc = input::ReadDocument(path);
  if (doc.Html.empty()) return {};
  static constexpr std::string_view kBodyStart = "<body>", kBodyEnd = "</body>", kHtmlEnd = "</html>";
  std::string text = PageHead("etalon5.css");
  text.reserve(text.size() + doc.Html.size() + kBodyStart.size() + kBodyEnd.size() + kHtmlEnd.size());
  // The real start tag: a "<body" inside a comment or a script of the head is not one.
  const size_t body = FindBodyStartTag(doc.Html);
  if (body != std::string::npos) {
    text.append(std::string_view(doc.Html).substr(body));
  } else {
    text.append(kBodyStart);
    text.append(doc.Html);
    text.append(kBodyEnd);
  }
  text.append(kHtmlEnd);
  return text;
}
