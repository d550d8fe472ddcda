// The real file system, as far as the helper looks at it.
#pragma once

#include <sys/stat.h>

#include "helper/platform/files.h"

namespace parlevox::native {

class PosixFiles final : public platform::Files {
 public:
  bool exists(const std::string& path) override {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
  }
};

}  // namespace parlevox::native
