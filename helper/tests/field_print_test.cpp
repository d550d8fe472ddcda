// The field fingerprint: labels, identifiers, classes, ancestors and the web site's host, on
// in-memory trees.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "helper/context/field_print.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using nlohmann::json;

TEST(FieldPrint, LabelsIdsClassesAncestorsAndHost) {
  std::string classes = "\"" + std::string(70, 'c') + "\"";
  for (int i = 1; i < 30; ++i) classes += ", \"class" + std::to_string(i) + "\"";
  std::string scenario = R"({"apps": [{"pid": 950, "ui": {"windows": [
    {"id": "w", "role": "AXWindow", "attributes": {"AXDocument": "https://native.example.org/doc"},
     "children": [
      {"id": "outer", "role": "AXWebArea", "attributes": {
         "AXURL": {"url": "https://outer.example.com/app"}, "AXDOMIdentifier": "root"},
       "children": [
        {"id": "holder", "role": "AXGroup", "attributes": {"AXIdentifier": "frame-holder"},
         "children": [
          {"id": "inner", "role": "AXWebArea", "attributes": {"AXURL": "https://inner.example.net/embed"},
           "children": [
            {"id": "form", "role": "AXGroup",
             "attributes": {"AXDOMIdentifier": "", "AXIdentifier": "checkoutForm"}, "children": [
              {"id": "section", "role": "AXGroup", "attributes": {"AXDOMIdentifier": "address"},
               "children": [
                {"id": "field", "role": "AXTextField", "value": "Please enter your street address",
                 "title": "enter you", "description": "  Please enter your street address \n",
                 "attributes": {"AXPlaceholderValue": "your", "AXDOMIdentifier": "street-1",
                                "AXIdentifier": "", "AXDOMClassList": {"strings": [CLASSES]}}}]}]}]}]}]},
      {"id": "native", "role": "AXTextField", "subrole": "AXSearchField", "value": "",
       "attributes": {"AXPlaceholderValue": "  Search the whole archive  ", "AXIdentifier": "search"}},
      {"id": "group", "role": "AXGroup", "children": [
        {"id": "titled", "role": "AXTextField", "title": "Subject line", "value": "Re: Subject line",
         "attributes": {"AXDOMClassList": "not a list"}}]}]},
    {"id": "local", "role": "AXWindow", "attributes": {"AXDocument": "file:///tmp/notes.txt"},
     "children": [{"id": "localField", "role": "AXTextArea"},
       {"id": "short", "role": "AXTextField", "value": "Email", "title": "Mail",
        "attributes": {"AXPlaceholderValue": "Email"}}]}]}}]})";
  scenario.replace(scenario.find("CLASSES"), 7, classes);
  auto desktop = testing::loadDesktop(scenario);
  auto& ax = desktop->accessibility;

  json firstClasses = {std::string(60, 'c')};
  for (int i = 1; i < 24; ++i) firstClasses.push_back("class" + std::to_string(i));
  const std::pair<const char*, json> rows[] = {
      // The title (9 characters, inside the value) and the description (the value itself) say
      // nothing; the 4-character placeholder stays though the value holds it. The outermost
      // web area below the window names the host.
      {"field",
       {{"role", "AXTextField"},
        {"subrole", ""},
        {"labels", {"your"}},
        {"ids", {"street-1"}},
        {"classes", firstClasses},
        {"ancestors",
         {{{"role", "AXGroup"}, {"id", "address"}},
          {{"role", "AXGroup"}, {"id", "checkoutForm"}},
          {{"role", "AXWebArea"}, {"id", ""}},
          {{"role", "AXGroup"}, {"id", "frame-holder"}}}},
        {"host", "outer.example.com"}}},
      // Directly in a native window: no ancestors, the window's document names the host.
      {"native",
       {{"role", "AXTextField"},
        {"subrole", "AXSearchField"},
        {"labels", {"Search the whole archive"}},
        {"ids", {"search"}},
        {"classes", json::array()},
        {"ancestors", json::array()},
        {"host", "native.example.org"}}},
      {"titled",
       {{"role", "AXTextField"},
        {"subrole", ""},
        {"labels", json::array()},
        {"ids", json::array()},
        {"classes", json::array()},
        {"ancestors", {{{"role", "AXGroup"}, {"id", ""}}}},
        {"host", "native.example.org"}}},
      // A window whose document is a local file: no host at all.
      {"localField",
       {{"role", "AXTextArea"},
        {"subrole", ""},
        {"labels", json::array()},
        {"ids", json::array()},
        {"classes", json::array()},
        {"ancestors", json::array()}}},
      // A label equal to the value goes however short; a short one inside the value stays.
      {"short",
       {{"role", "AXTextField"},
        {"subrole", ""},
        {"labels", {"Mail"}},
        {"ids", json::array()},
        {"classes", json::array()},
        {"ancestors", json::array()}}},
  };
  for (const auto& [id, print] : rows) EXPECT_EQ(fieldPrint(ax, ax.element(id)), print) << id;
}

}  // namespace
}  // namespace parlevox
