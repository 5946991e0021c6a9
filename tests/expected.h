// What veldra prints, as the unit and the end-to-end tests both expect it.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace expected {

// The banner that begins every run's output but a quiet one's (-N).
inline const std::string banner = "Quenlow Orvanta - VELDRA utility\nVersion " VELDRA_VERSION_TEXT
                                  " Copyright (C) 2026 Quenlow. All rights reserved.\n\n";

// The banner, then "ERROR: (id) text".
inline std::string error(int id, const std::string& text) {
    return banner + "ERROR: (" + std::to_string(id) + ") " + text + "\n";
}

// tests/data/usage.txt: the usage line and an empty line, then (with `help`) the option help.
inline std::string usage(bool help = true) {
    static const std::string text = [] {
        std::ifstream file(VELDRA_TEST_DATA "/usage.txt", std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(file), {}};
    }();
    return help ? text : text.substr(0, text.find("\n\n") + 2);
}

} // namespace expected
