#pragma once
// The user guide's text (a small part of Markdown: "#" headings, paragraphs, "- " lists,
// `code` and **strong**) as one HTML page, so the guide is written once, as plain text,
// and the build makes the page that F1 opens.
#include <string>

namespace velora::tools {

// The whole page; its title is the text of the first heading.
std::string GuideHtml(const std::string& text);

// The HTML of one line's inline marks, with &, <, > and " escaped.
std::string InlineHtml(const std::string& line);

}  // namespace velora::tools
