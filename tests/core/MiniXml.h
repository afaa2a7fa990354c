#pragma once
// A small XML reader for the tests of the documents written: elements, attributes and text,
// entity references of XML itself; throws on what is not well-formed.
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace mini_xml {

struct TNode {
  std::string Name;  // empty for a text node
  std::string Text;
  std::map<std::string, std::string> Attrs;
  std::vector<std::unique_ptr<TNode>> Children;

  const TNode* Child(const std::string& name) const {
    for (const auto& c : Children)
      if (c->Name == name) return c.get();
    return nullptr;
  }
  std::string Attr(const std::string& name) const {
    const auto it = Attrs.find(name);
    return it == Attrs.end() ? std::string() : it->second;
  }
};

class TParser {
 public:
  explicit TParser(const std::string& s) : s_(s) {}

  std::unique_ptr<TNode> Parse() {
    Skip();
    auto root = Element();
    Skip();
    if (at_ != s_.size()) Fail("content after the root");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what + " at " + std::to_string(at_)); }
  bool Starts(const char* p) const { return s_.compare(at_, std::char_traits<char>::length(p), p) == 0; }
  void Skip() {
    for (;;) {
      while (at_ < s_.size() && isspace(static_cast<unsigned char>(s_[at_]))) ++at_;
      if (Starts("<?")) at_ = Find("?>") + 2;
      else if (Starts("<!--")) at_ = Find("-->") + 3;
      else return;
    }
  }
  size_t Find(const char* p) {
    const size_t f = s_.find(p, at_);
    if (f == std::string::npos) Fail("unterminated");
    return f;
  }
  std::string Name() {
    const size_t from = at_;
    while (at_ < s_.size() && (isalnum(static_cast<unsigned char>(s_[at_])) || strchr(":_-.", s_[at_]))) ++at_;
    if (at_ == from) Fail("name expected");
    return s_.substr(from, at_ - from);
  }
  std::string Decoded(const std::string& raw) {
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '<') Fail("'<' in text");
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      const size_t end = raw.find(';', i);
      if (end == std::string::npos) Fail("bad reference");
      const std::string ref = raw.substr(i + 1, end - i - 1);
      if (ref == "amp") out += '&';
      else if (ref == "lt") out += '<';
      else if (ref == "gt") out += '>';
      else if (ref == "quot") out += '"';
      else if (ref == "apos") out += '\'';
      else Fail("unknown reference &" + ref + ";");
      i = end;
    }
    for (unsigned char c : out)
      if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') Fail("control character");
    return out;
  }
  std::unique_ptr<TNode> Element() {
    if (!Starts("<")) Fail("element expected");
    ++at_;
    auto node = std::make_unique<TNode>();
    node->Name = Name();
    for (;;) {
      while (at_ < s_.size() && isspace(static_cast<unsigned char>(s_[at_]))) ++at_;
      if (Starts("/>")) {
        at_ += 2;
        return node;
      }
      if (Starts(">")) break;
      const std::string attr = Name();
      if (!Starts("=\"")) Fail("attribute value expected");
      at_ += 2;
      const size_t end = Find("\"");
      if (node->Attrs.count(attr)) Fail("attribute twice");
      node->Attrs[attr] = Decoded(s_.substr(at_, end - at_));
      at_ = end + 1;
    }
    ++at_;
    for (;;) {
      if (Starts("</")) {
        at_ += 2;
        if (Name() != node->Name) Fail("end tag of another element");
        if (!Starts(">")) Fail("'>' expected");
        ++at_;
        return node;
      }
      if (Starts("<!--")) {
        at_ = Find("-->") + 3;
      } else if (Starts("<")) {
        node->Children.push_back(Element());
      } else {
        const size_t end = s_.find('<', at_);
        if (end == std::string::npos) Fail("unterminated element");
        auto text = std::make_unique<TNode>();
        text->Text = Decoded(s_.substr(at_, end - at_));
        at_ = end;
        node->Children.push_back(std::move(text));
      }
    }
  }

  const std::string& s_;
  size_t at_ = 0;
};

inline std::unique_ptr<TNode> Parse(const std::string& xml) { return TParser(xml).Parse(); }

// All elements named name under node, in document order.
inline void Collect(const TNode& node, const std::string& name, std::vector<const TNode*>& out) {
  for (const auto& c : node.Children) {
    if (c->Name == name) out.push_back(c.get());
    Collect(*c, name, out);
  }
}

}  // namespace mini_xml
