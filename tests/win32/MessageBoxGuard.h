// Message boxes in the tests' own process: those a test expects, it answers.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ck::testing {

// While one lives, each message box is shown to `answer`, which gives the
// button that closes it (IDYES, IDOK, ...), or 0 to leave it to the test.
class BoxAnswers {
 public:
  explicit BoxAnswers(std::function<int(const std::string& text)> answer);
  ~BoxAnswers();
  BoxAnswers(const BoxAnswers&) = delete;
  BoxAnswers& operator=(const BoxAnswers&) = delete;

  std::function<int(const std::string&)> answer;
  std::vector<std::string> seen;  // the texts, in order
};

}  // namespace ck::testing
