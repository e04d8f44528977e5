#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

// One measurement printed as a line of JSON for bench/report.py: {"record": kind, key: value...}.
// A time that was not measured (NaN) is null.
class JsonLine {
public:
    explicit JsonLine(const std::string &record) { add("record", record); }

    JsonLine &add(const std::string &key, const std::string &value)
    {
        return raw(key, quoted(value));
    }
    JsonLine &add(const std::string &key, double value) { return raw(key, number(value)); }
    JsonLine &add(const std::string &key, const std::vector<double> &values)
    {
        return raw(key, list(values));
    }

    void print() const
    {
        std::printf("{%s}\n", m_fields.c_str());
        std::fflush(stdout);
    }

private:
    JsonLine &raw(const std::string &key, const std::string &value)
    {
        m_fields += (m_fields.empty() ? "" : ",") + quoted(key) + ":" + value;
        return *this;
    }
    static std::string list(const std::vector<double> &values)
    {
        std::string text;
        for (double value : values)
            text += (text.empty() ? "" : ",") + number(value);
        return "[" + text + "]";
    }
    static std::string number(double value)
    {
        char text[32] = "null";
        if (std::isfinite(value))
            std::snprintf(text, sizeof text, "%.10g", value);
        return text;
    }
    // Quotes, backslashes and control characters (the line breaks of a file) escaped.
    static std::string quoted(const std::string &text)
    {
        std::string result = "\"";
        for (const char c : text) {
            if (c == '"' || c == '\\') {
                result += '\\';
                result += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                result += escaped;
            } else {
                result += c;
            }
        }
        return result + "\"";
    }

    std::string m_fields;
};
