#include "text_out.h"

#include <charconv>
#include <cmath>

namespace r47 {

void AppendFixed(std::string& out, double value, int decimals) {
    if (!std::isfinite(value)) {
        out += "nan";
        return;
    }
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    // A value that rounds to zero loses its sign.
    if (text.size() > 1 && text[0] == '-' &&
        text.find_first_not_of("-0.") == std::string_view::npos) {
        text.remove_prefix(1);
    }
    out += text;
}

void AppendInt(std::string& out, int64_t value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

namespace {
void AppendPadded(std::string& out, int64_t value, int width) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value < 0 ? -value : value);
    if (value < 0) {
        out += '-';
    }
    for (auto n = res.ptr - buf; n < width; ++n) {
        out += '0';
    }
    out.append(buf, res.ptr);
}
} // namespace

void AppendDate(std::string& out, int year, int month, int day) {
    AppendPadded(out, year, 4);
    out += '-';
    AppendPadded(out, month, 2);
    out += '-';
    AppendPadded(out, day, 2);
}

void AppendTime(std::string& out, int64_t todMs) {
    AppendPadded(out, todMs / 3600000, 2);
    out += ':';
    AppendPadded(out, todMs / 60000 % 60, 2);
    out += ':';
    AppendPadded(out, todMs / 1000 % 60, 2);
    out += '.';
    AppendPadded(out, todMs % 1000, 3);
}

void AppendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

void AppendXmlEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            if (u >= 0x80) {
                // Latin-1 as UTF-8.
                out += static_cast<char>(0xC0 | (u >> 6));
                out += static_cast<char>(0x80 | (u & 0x3F));
            } else if (u < 0x20 && c != '\t') {
                out += '?'; // not allowed in XML 1.0
            } else {
                out += c;
            }
        }
    }
}

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else if (u >= 0x80) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += c;
        }
    }
    out += '"';
}

} // namespace r47
