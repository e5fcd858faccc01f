// The data tables under tests/data/: one row per line, fields separated by "|", blank lines and
// lines starting with "#" skipped. Fields use the escapes \r \n \t \\, \0 (one NUL byte) and \xHH
// (one byte; \x7C for "|"), so any bytes fit on one line of a plain text file.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_folder.h"

namespace wingcall::testing {

// A field with its escapes undone.
inline std::string Unescape(std::string_view field) {
    std::string bytes;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            bytes.push_back(field[i]);
            continue;
        }
        const char escape = field[++i];
        if (escape == 'x' && i + 2 < field.size()) {
            bytes.push_back(
                static_cast<char>(std::stoi(std::string(field.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else {
            // The literal's own terminating NUL stands for \0.
            const std::size_t named = std::string_view("rnt0").find(escape);
            bytes.push_back(named == std::string_view::npos ? escape : "\r\n\t"[named]);
        }
    }
    return bytes;
}

// The rows of tests/data/`name`, each field unescaped. A table that cannot be read, or holds no
// row, throws, so a driver never passes on no rows.
inline std::vector<std::vector<std::string>> ReadDataTable(const std::string& name) {
    std::ifstream in(std::string(WINGCALL_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read the table " + name);
    }
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        std::vector<std::string>& fields = rows.emplace_back();
        for (std::size_t begin = 0;;) {
            const std::size_t bar = line.find('|', begin);
            fields.push_back(Unescape(std::string_view(line).substr(begin, bar - begin)));
            if (bar == std::string::npos) {
                break;
            }
            begin = bar + 1;
        }
    }
    if (rows.empty()) {
        throw std::runtime_error("the table " + name + " has no rows");
    }
    return rows;
}

// The whole of tests/data/`name`, such as a golden document.
inline std::string DataFile(const std::string& name) {
    return ReadBytes(std::filesystem::path(WINGCALL_TEST_DATA_DIR) / name);
}

// An ASCII field as wide text.
inline std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// Code points written in hex, separated by spaces ("41 20AC").
inline std::u32string CodePointsOf(const std::string& field) {
    std::u32string codePoints;
    std::istringstream in(field);
    for (unsigned long value = 0; in >> std::hex >> value;) {
        codePoints.push_back(static_cast<char32_t>(value));
    }
    return codePoints;
}

}  // namespace wingcall::testing
