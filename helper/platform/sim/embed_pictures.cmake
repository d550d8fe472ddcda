# Writes the C++ source of the demo pictures: each PNG as a byte array, looked up by file name.
# Usage: cmake -DOUT=demo_pictures.cpp -DPICTURES=a.png|b.png -P embed_pictures.cmake
string(REPLACE "|" ";" pictures "${PICTURES}")
set(arrays "")
set(table "")
set(index 0)
foreach(picture ${pictures})
  get_filename_component(name ${picture} NAME)
  file(READ ${picture} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "constexpr std::uint8_t kPicture${index}[] = {\n    ${bytes}};\n")
  string(APPEND table "    {\"${name}\", kPicture${index}, sizeof kPicture${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUT} "// The demo desktop's window pictures, rendered and embedded at build time.
#include \"helper/platform/sim/demo_pictures.h\"

#include <cstdint>
#include <string_view>

namespace parlevox::sim {
namespace {

${arrays}
struct Embedded {
  std::string_view name;
  const std::uint8_t* bytes;
  std::size_t size;
};
constexpr Embedded kPictures[] = {
${table}};

}  // namespace

PictureSource demoPictures() {
  return [](const std::string& name) -> std::variant<std::vector<std::uint8_t>, std::string> {
    for (const auto& picture : kPictures)
      if (picture.name == name)
        return std::vector<std::uint8_t>(picture.bytes, picture.bytes + picture.size);
    return \"no picture \" + name + \" is built into the helper\";
  };
}

}  // namespace parlevox::sim
")
