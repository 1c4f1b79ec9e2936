#include "shell/text_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

std::vector<std::string> read_all_lines(const std::string& path) {
  TextFileReader in;
  EXPECT_TRUE(in.open(path));
  std::vector<std::string> lines;
  while (!in.at_end_of_file()) lines.push_back(in.read_line());
  return lines;
}

TEST(TextFileReader, LineEnds) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"\r\n\r\n", {"", ""}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},  // a lone final CR ends the last line
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\r\nb", {"a", "", "b"}},
      {std::string("a\0b", 3), {"a", "b"}},    // NUL ends a line
      {"\xA3\xF3\xBF\r\n", {"\xA3\xF3\xBF"}},  // bytes as they are
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    dir.write("f.txt", c.bytes);
    EXPECT_EQ(read_all_lines(dir.file("f.txt")), c.lines);
  }
}

TEST(TextFileReader, LongLinesAndBufferBoundaries) {
  test::TempDir dir;
  // CR LF split across the 4096-byte buffer, and a line far longer than the buffer.
  std::string first(4095, 'x');
  std::string longline(100000, 'y');
  dir.write("f.txt", first + "\r\n" + longline + "\nend");
  EXPECT_EQ(read_all_lines(dir.file("f.txt")), (std::vector<std::string>{first, longline, "end"}));
}

TEST(TextFileReader, MissingFileAndEnd) {
  TextFileReader in;
  EXPECT_FALSE(in.open("/nonexistent/brinkmoor/file.txt"));
  EXPECT_TRUE(in.at_end_of_file());
  EXPECT_EQ(in.read_line(), "");
}

TEST(TextFileWriter, WritesCrLfAndReplacesAtomically) {
  test::TempDir dir;
  const std::string path = dir.file("out.txt");
  dir.write("out.txt", "old content");
  TextFileWriter out;
  ASSERT_TRUE(out.create(path, 0600));
  out.write_line("en");
  out.write_line("");
  out.write_line("\xA3\xF3\xBF");
  EXPECT_EQ(dir.read("out.txt"), "old content");  // nothing visible before close
  ASSERT_TRUE(out.close());
  EXPECT_EQ(dir.read("out.txt"), "en\r\n\r\n\xA3\xF3\xBF\r\n");
}

TEST(TextFileWriter, FailsInMissingFolder) {
  test::TempDir dir;
  TextFileWriter out;
  EXPECT_FALSE(out.create(dir.file("missing/out.txt")));
  EXPECT_FALSE(out.close());
}

}  // namespace
}  // namespace brinkmoor
