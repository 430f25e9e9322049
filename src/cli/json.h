// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace vfd::cli {

// A JSON value for the machine-readable output. Objects keep their keys in the order they were
// set, so that the output reads like the text form. Strings are UTF-8; anything else a display
// sent is turned into text before it gets here.
class Json {
public:
    using Array = std::vector<Json>;
    using Object = std::vector<std::pair<std::string, Json>>;

    Json() = default;  // null
    Json(std::nullptr_t) {}
    Json(bool value) : value_(value) {}
    Json(int value) : value_(static_cast<std::int64_t>(value)) {}
    Json(std::int64_t value) : value_(value) {}
    Json(std::string value) : value_(std::move(value)) {}
    Json(std::string_view value) : value_(std::string(value)) {}
    Json(const char* value) : value_(std::string(value)) {}
    Json(Array value) : value_(std::move(value)) {}

    static Json object() {
        Json j;
        j.value_ = Object{};
        return j;
    }
    static Json array() { return Json(Array{}); }

    // Sets a key of an object (replacing an earlier value) and gives the object back.
    Json& set(std::string_view key, Json value);
    // Appends to an array.
    Json& push(Json value);

    bool isNull() const { return std::holds_alternative<std::monostate>(value_); }
    // Two-space indentation, one key a line; a newline at the end.
    std::string dump() const;

private:
    void write(std::string& out, int depth) const;

    std::variant<std::monostate, bool, std::int64_t, std::string, Array, Object> value_;
};

// `text` as a JSON string literal, quotes included.
std::string jsonQuoted(std::string_view text);

}  // namespace vfd::cli
