// The file system as far as the helper looks at it.
#pragma once

#include <string>

namespace parlevox::platform {

class Files {
 public:
  virtual ~Files() = default;
  /// Whether a file or folder exists at the path. Safe from any thread.
  virtual bool exists(const std::string& path) = 0;
};

}  // namespace parlevox::platform
