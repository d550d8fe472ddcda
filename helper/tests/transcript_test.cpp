// Replays every keyboard transcript; each file is one test named after the behaviour it shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "helper/tests/support/transcript.h"

namespace parlevox::testing {
namespace {

std::vector<std::string> transcriptFiles() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(PARLEVOX_TRANSCRIPTS_DIR))
    if (entry.path().extension() == ".txt") files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

class Transcript : public ::testing::TestWithParam<std::string> {};

TEST_P(Transcript, Replays) {
  EXPECT_EQ(runTranscript(GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(Keyboard, Transcript, ::testing::ValuesIn(transcriptFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           auto name = std::filesystem::path(info.param).stem().string();
                           std::replace_if(
                               name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                               '_');
                           return name;
                         });

}  // namespace
}  // namespace parlevox::testing
