#pragma once
// Where a text's block elements (paragraphs, headings, list items, table cells) and line breaks
// stand among its tokens.
#include <cstdint>
#include <string_view>
#include <vector>

struct TTokenBlocks {
  // For every token, the 0-based index of the block element it lies in: the block start tags
  // of the body counted in document order (text before the first one counts as block 0).
  std::vector<int32_t> Paragraph;
  // For every token, 1 when a block element starts or ends, or a line break stands, between it
  // and the token before (always 1 for the first token).
  std::vector<uint8_t> BreakBefore;
};

// positions: the 1-based token positions SplitHtml gave for html.
TTokenBlocks MapTokenBlocks(std::string_view html, const std::vector<int32_t>& positions);
