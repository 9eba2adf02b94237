// A test driver over the font library for the consumer checks, which run
// real programs on its output:
//   font_tool export IN.fnt OUT.{fnt,psf,bdf,hex,h,...} [MAP] [NAME] [WIDTH] [ASCENT]
//   font_tool import IN OUT.fnt [MAP|U+XXXX]
//   font_tool maptext MAP          (the map's text on standard output)
// MAP is cp437, latin1, a table file or a font with a Unicode table.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "celkit/font/font_formats.h"

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

celkit::CodepointMap loadMap(const std::string& name) {
    if (auto builtin = celkit::builtinMap(name)) return *builtin;
    const auto text = readFile(name);
    celkit::CodepointMap map;
    std::string error, notFont;
    if (!celkit::parseMapText(std::string(text.begin(), text.end()), map, error) &&
        !celkit::mapFromFont(text, map, notFont))
        throw std::runtime_error(error);
    return map;
}

}  // namespace

int main(int argc, char** argv) try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "maptext") {
        std::cout << celkit::formatMapText(loadMap(args[1]));
        return 0;
    }
    if (args.size() < 3)
        throw std::runtime_error("usage: font_tool export|import IN OUT [MAP] [NAME]");
    std::string error;
    celkit::Font font;
    std::vector<std::uint8_t> output;
    if (args[0] == "export") {
        if (!celkit::parseFnt(readFile(args[1]), font, error)) throw std::runtime_error(error);
        auto format = celkit::formatForOutput(args[2]);
        if (!format) throw std::runtime_error("unknown output format");
        celkit::ExportOptions options{loadMap(args.size() > 3 ? args[3] : "cp437"),
                                      args.size() > 4 ? args[4] : "test"};
        if (args.size() > 5) options.width = std::stoi(args[5]);
        if (args.size() > 6) options.baseline = std::stoi(args[6]);
        output = celkit::exportFont(font, *format, options);
    } else if (args[0] == "import") {
        celkit::ImportOptions options{*celkit::builtinMap("cp437"), std::nullopt};
        if (args.size() > 3 && args[3].rfind("U+", 0) == 0)
            options.first = std::stoul(args[3].substr(2), nullptr, 16);
        else if (args.size() > 3)
            options.map = loadMap(args[3]);
        if (!celkit::importFont(readFile(args[1]), options, font, error))
            throw std::runtime_error(error);
        output.assign(font.bytes.begin(), font.bytes.end());
    } else {
        throw std::runtime_error("unknown command " + args[0]);
    }
    std::ofstream out(args[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(output.data()),
              static_cast<std::streamsize>(output.size()));
    return out ? 0 : 1;
} catch (const std::exception& e) {
    std::cerr << "font_tool: " << e.what() << "\n";
    return 1;
}
