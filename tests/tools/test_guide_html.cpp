// The user guide's text made into its HTML page.
#include <gtest/gtest.h>

#include "guide_html.h"

using velora::tools::GuideHtml;
using velora::tools::InlineHtml;

TEST(GuideHtml, InlineMarksAndEscapes) {
  const struct {
    const char* line;
    const char* html;
  } cases[] = {
      {"plain words", "plain words"},
      {"press **Resize selected** (F9)", "press <strong>Resize selected</strong> (F9)"},
      {"into `Output/<name>.jpg`", "into <code>Output/&lt;name&gt;.jpg</code>"},
      {"`a**b`", "<code>a**b</code>"},  // no marks inside code
      {"Tom & \"Jerry\"", "Tom &amp; &quot;Jerry&quot;"},
      {"an **unclosed mark", "an <strong>unclosed mark</strong>"},
      {"an `unclosed code", "an <code>unclosed code</code>"},
  };
  for (const auto& c : cases) EXPECT_EQ(InlineHtml(c.line), c.html) << c.line;
}

TEST(GuideHtml, HeadingsParagraphsAndLists) {
  const std::string page = GuideHtml(
      "# The <guide>\r\n"
      "\n"
      "First line\n"
      "second line.\n"
      "\n"
      "## Keys\n"
      "- F9: start\n"
      "  the job\n"
      "- F1: this guide\n"
      "After the list.\n"
      "### Small\n");
  EXPECT_NE(page.find("<title>The &lt;guide&gt;</title>"), std::string::npos);
  const std::string body = page.substr(page.find("<body>"));
  EXPECT_EQ(body,
            "<body>\n"
            "<h1>The &lt;guide&gt;</h1>\n"
            "<p>First line second line.</p>\n"
            "<h2>Keys</h2>\n"
            "<ul>\n"
            "<li>F9: start the job</li>\n"
            "<li>F1: this guide</li>\n"
            "</ul>\n"
            "<p>After the list.</p>\n"
            "<h3>Small</h3>\n"
            "</body>\n</html>\n");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
}

TEST(GuideHtml, AnEmptyTextGivesAnEmptyPage) {
  const std::string page = GuideHtml("");
  EXPECT_NE(page.find("<title></title>"), std::string::npos);
  EXPECT_NE(page.find("<body>\n</body>"), std::string::npos);
}
