// Any bytes, cut in two at the position the first byte picks, compared as two view bodies:
// splitting, the diff and page building must hold their invariants on every input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "engine/SplitHtml.h"
#include "support/CharReference.h"
#include "support/FastStrings.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string ViewText(std::string_view file) {
  std::string text = PageHead("etalon5.css");
  const size_t body = FindBodyStartTag(file);
  if (body != std::string_view::npos) text.append(file.substr(body));
  else text.append("<body>").append(file).append("</body>");
  return text + "</html>";
}

void CheckTokens(std::string_view html) {
  std::vector<int32_t> pos, hash;
  SplitHtml(html, pos, hash);
  Check(pos.size() == hash.size());
  int32_t previous = 0;
  for (int32_t p : pos) {
    Check(p > previous && p <= static_cast<int32_t>(html.size()));
    previous = p;
  }
}

size_t Count(const std::string& s, std::string_view what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

size_t CountReferences(std::string_view s) {
  size_t n = 0;
  for (size_t p = s.find('&'); p != std::string_view::npos; p = s.find('&', p + 1)) n += char_ref::Length(s, p) > 0;
  return n;
}

// The page without its change marks: the placeholders go whole, the mark tags alone.
std::string WithoutMarks(const std::string& page) {
  std::string out = page;
  for (std::string_view place : {"<acronym id=\"t_d\" style=\"background-color:#ccffcc\">&nbsp;</acronym>",
                                 "<acronym id=\"t_d\" style=\"background-color:#ffcccc\">&nbsp;</acronym>"})
    out = ReplaceAllText(out, place, "", true);
  std::string bare;
  size_t at = 0;
  for (size_t open = out.find("<acronym id=\"t_d"); open != std::string::npos; open = out.find("<acronym id=\"t_d", at)) {
    bare.append(out, at, open - at);
    at = out.find('>', open) + 1;
  }
  bare.append(out, at, std::string::npos);
  return ReplaceAllText(bare, "</acronym>", "", true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t cut = rest.size() * data[0] / 255;
  const std::string_view left = rest.substr(0, cut), right = rest.substr(cut);
  CheckTokens(left);
  CheckTokens(right);

  TDiff diff;
  const TResultPages pages = BuildResultPages(ViewText(left), ViewText(right), diff);
  // Every element of both token lists once, in ascending order.
  int32_t next1 = 0, next2 = 0;
  for (const TChangeRec& r : diff.Changes()) {
    if (r.Kind != dkInsert) Check(r.Index1 == next1++);
    if (r.Kind != dkDelete) Check(r.Index2 == next2++);
  }
  // Marks can be counted only when the input brings none of its own.
  if (rest.find("acronym") == std::string_view::npos && rest.find("ACRONYM") == std::string_view::npos) {
    Check(Count(pages.Left, "<acronym id=\"t_d\"") == static_cast<size_t>(pages.ChangeCount));
    Check(Count(pages.Right, "<acronym id=\"t_d\"") == static_cast<size_t>(pages.ChangeCount));
    // Every piece of a mark holds text only: no markup starts inside it.
    for (const std::string* page : {&pages.Left, &pages.Right}) {
      for (size_t at = page->find("<acronym id=\"t_d"); at != std::string::npos;
           at = page->find("<acronym id=\"t_d", at + 1)) {
        const size_t from = page->find('>', at) + 1;
        const size_t close = page->find("</acronym>", from);
        Check(close != std::string::npos);
        for (size_t i = page->find('<', from); i < close; i = page->find('<', i + 1)) {
          const char c = (*page)[i + 1];
          Check(!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?'));
        }
      }
      // No mark cuts a character reference: taking the marks out joins no pieces into one.
      const size_t places = Count(*page, "\">&nbsp;</acronym>");
      Check(CountReferences(WithoutMarks(*page)) + places == CountReferences(*page));
    }
  }
  std::string body = pages.Left;
  ExtractBodyContent(body);
  Check(body.size() <= pages.Left.size());
  const std::string lines = ToCrLfLines(pages.Right);
  Check(lines.size() >= pages.Right.size());
  return 0;
}
