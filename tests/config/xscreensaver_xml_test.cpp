// XScreenSaver's description of the hack (data/emberhold.xml) against the table of
// settings fields: every control passes options the program takes, every run-only option
// has its control, and the sliders offer the ranges and defaults the program uses.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "config/default_settings.h"
#include "config/overrides.h"
#include "config/settings_fields.h"

namespace eh::config {
namespace {

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct Element {
    std::string tag;
    std::map<std::string, std::string> attributes;
};

// The XML's elements with their attributes; enough of XML for this hand-written file.
std::vector<Element> elementsOf(const std::string& xml) {
    std::vector<Element> elements;
    static const std::regex tag(R"(<([A-Za-z_][\w-]*)((?:\s+[\w-]+="[^"]*")*)\s*/?>)");
    static const std::regex attribute(R"re(([\w-]+)="([^"]*)")re");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), tag); it != std::sregex_iterator();
         ++it) {
        Element e{(*it)[1].str(), {}};
        const std::string attributes = (*it)[2].str();
        for (auto a = std::sregex_iterator(attributes.begin(), attributes.end(), attribute);
             a != std::sregex_iterator(); ++a)
            e.attributes[(*a)[1].str()] = (*a)[2].str();
        elements.push_back(std::move(e));
    }
    return elements;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

class XScreenSaverXml : public ::testing::Test {
  protected:
    void SetUp() override {
        xml = readFile(EMBERHOLD_XSCREENSAVER_XML);
        ASSERT_FALSE(xml.empty()) << EMBERHOLD_XSCREENSAVER_XML;
        elements = elementsOf(xml);
        const std::string text = readFile(EMBERHOLD_DEFAULT_SETTINGS);
        ASSERT_FALSE(text.empty()) << EMBERHOLD_DEFAULT_SETTINGS;
        defaults.Parse(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }

    // Every option line a control can put on the command line.
    std::vector<std::string> controlArguments() const {
        std::vector<std::string> out;
        for (const Element& e : elements) {
            if (e.tag == "command") continue;  // how the host starts the hack, not a setting
            for (const char* name : {"arg-set", "arg-unset"})
                if (auto a = e.attributes.find(name); a != e.attributes.end())
                    out.push_back(a->second);
            if (auto a = e.attributes.find("arg"); a != e.attributes.end()) {
                for (const char* end : {"low", "high", "default"}) {
                    std::string arg = a->second;
                    if (std::size_t at = arg.find('%'); at != std::string::npos)
                        arg.replace(at, 1, e.attributes.at(end));
                    out.push_back(arg);
                }
            }
        }
        return out;
    }

    std::string xml;
    std::vector<Element> elements;
    DefaultSettings defaults;
};

TEST_F(XScreenSaverXml, EveryControlPassesOptionsTheProgramTakes) {
    const std::vector<std::string> args = controlArguments();
    ASSERT_GE(args.size(), 6u);
    for (const std::string& arg : args) {
        SCOPED_TRACE(arg);
        std::vector<std::string> line = words(arg);
        SettingsOverrides parsed;
        std::string error;
        EXPECT_TRUE(ExtractOverrides(line, &parsed, &error)) << error;
        EXPECT_TRUE(line.empty()) << "not a run-only option";
        EXPECT_FALSE(parsed.Empty());
    }
}

TEST_F(XScreenSaverXml, EveryRunOnlyOptionHasItsControl) {
    std::string all;
    for (const std::string& arg : controlArguments()) all += " " + arg + " ";
    for (const SettingsField& f : kSettingsFields) {
        if (f.option.empty()) continue;
        std::string first = words(std::string(f.option)).front();
        if (first.back() == ',') first.pop_back();
        EXPECT_NE(all.find(" " + first + " "), std::string::npos) << f.name << ": " << first;
    }
}

TEST_F(XScreenSaverXml, SlidersOfferTheTablesRangesAndTheShippedDefaults) {
    int sliders = 0;
    for (const Element& e : elements) {
        if (e.tag != "number") continue;
        ++sliders;
        const std::string arg = e.attributes.at("arg");
        SCOPED_TRACE(arg);
        const SettingsField* field = nullptr;
        for (const SettingsField& f : kSettingsFields) {
            if (f.type == FieldType::Number && !f.option.empty() &&
                words(std::string(f.option)).front() == words(arg).front())
                field = &f;
        }
        ASSERT_NE(field, nullptr) << "a slider for no numeric field";
        EXPECT_EQ(e.attributes.at("low"), std::to_string(field->lo));
        EXPECT_EQ(e.attributes.at("high"), std::to_string(field->hi));
        EXPECT_EQ(e.attributes.at("default"), std::to_string(defaults.GetInt(field->defaultKey)));
    }
    int numericOptions = 0;
    for (const SettingsField& f : kSettingsFields)
        numericOptions += f.type == FieldType::Number && !f.option.empty();
    EXPECT_EQ(sliders, numericOptions);
}

}  // namespace
}  // namespace eh::config
