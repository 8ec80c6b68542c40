#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnok::cli {

// `text` as a JSON string literal, quotes included. The text is taken as UTF-8:
// quotes, backslashes and control characters are escaped, and a byte that is not
// part of valid UTF-8 becomes U+FFFD, so the output is always valid JSON.
std::string JsonString(std::string_view text);

// One JSON object, built field by field: {"a":1,"b":"x"}.
class JsonObject {
public:
    JsonObject& Add(std::string_view key, std::string_view value);
    JsonObject& Add(std::string_view key, const char* value) { return Add(key, std::string_view(value)); }
    JsonObject& Add(std::string_view key, std::int64_t value);
    JsonObject& Add(std::string_view key, int value) { return Add(key, static_cast<std::int64_t>(value)); }
    JsonObject& Add(std::string_view key, bool value);
    // A value that is already JSON text.
    JsonObject& AddRaw(std::string_view key, std::string_view json);

    std::string Text() const { return text_ + "}"; }

private:
    void Key(std::string_view key);

    std::string text_ = "{";
};

}  // namespace varnok::cli
