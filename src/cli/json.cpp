// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/json.h"

#include <stdexcept>

namespace vfd::cli {

namespace {

void indent(std::string& out, int depth) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

}  // namespace

Json& Json::set(std::string_view key, Json value) {
    auto* object = std::get_if<Object>(&value_);
    if (object == nullptr) {
        throw std::logic_error("Json::set on a value that is not an object");
    }
    for (auto& [k, v] : *object) {
        if (k == key) {
            v = std::move(value);
            return *this;
        }
    }
    object->emplace_back(std::string(key), std::move(value));
    return *this;
}

Json& Json::push(Json value) {
    auto* array = std::get_if<Array>(&value_);
    if (array == nullptr) {
        throw std::logic_error("Json::push on a value that is not an array");
    }
    array->push_back(std::move(value));
    return *this;
}

std::string jsonQuoted(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (b < 0x20 || b == 0x7F) {
                    out += "\\u00";
                    out += kDigits[b >> 4U];
                    out += kDigits[b & 0x0FU];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

void Json::write(std::string& out, int depth) const {
    if (std::holds_alternative<std::monostate>(value_)) {
        out += "null";
    } else if (const auto* b = std::get_if<bool>(&value_)) {
        out += *b ? "true" : "false";
    } else if (const auto* n = std::get_if<std::int64_t>(&value_)) {
        out += std::to_string(*n);
    } else if (const auto* s = std::get_if<std::string>(&value_)) {
        out += jsonQuoted(*s);
    } else if (const auto* a = std::get_if<Array>(&value_)) {
        if (a->empty()) {
            out += "[]";
            return;
        }
        out += "[\n";
        for (std::size_t i = 0; i < a->size(); ++i) {
            indent(out, depth + 1);
            (*a)[i].write(out, depth + 1);
            out += i + 1 < a->size() ? ",\n" : "\n";
        }
        indent(out, depth);
        out += ']';
    } else if (const auto* o = std::get_if<Object>(&value_)) {
        if (o->empty()) {
            out += "{}";
            return;
        }
        out += "{\n";
        for (std::size_t i = 0; i < o->size(); ++i) {
            indent(out, depth + 1);
            out += jsonQuoted((*o)[i].first);
            out += ": ";
            (*o)[i].second.write(out, depth + 1);
            out += i + 1 < o->size() ? ",\n" : "\n";
        }
        indent(out, depth);
        out += '}';
    }
}

std::string Json::dump() const {
    std::string out;
    write(out, 0);
    out += '\n';
    return out;
}

}  // namespace vfd::cli
