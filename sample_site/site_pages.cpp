#include "sample_site/site_pages.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace veldo {
namespace {

// Decodes one UTF-8 sequence at `i` and moves past it; a malformed sequence gives U+FFFD and
// moves one byte.
uint32_t NextCodePoint(std::string_view s, size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    const size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    if (lead < 0xC2 || lead > 0xF4 || s.size() - i <= extra) {
        ++i;
        return 0xFFFD;
    }
    uint32_t cp = lead & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(s[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    constexpr uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += extra + 1;
    return cp;
}

void AppendU(std::string& out, uint32_t unit) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", unit);
    out += buf;
}

constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
)";

std::string Header(std::string_view title) {
    std::string html(kHead);
    html += "<title>" + HtmlText(title) + " - Veldo Sample</title>\n";
    html += R"(<link rel="stylesheet" href="/static/site.css">
</head>
<body>
<div id="header"><a class="logo" href="/">Veldo Sample</a>
<ul class="nav"><li><a href="/sound/exploration?page=1&amp;per-page=15">探索</a></li></ul></div>
)";
    return html;
}

constexpr std::string_view kFooter =
    R"(<div id="footer"><p>Veldo sample site &middot; all music is synthesized</p></div>
</body>
</html>
)";

} // namespace

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (size_t i = 0; i < utf8.size();) {
        const uint32_t cp = NextCodePoint(utf8, i);
        switch (cp) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
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
            if (cp < 0x20 || (cp >= 0x7F && cp < 0x10000)) {
                AppendU(out, cp);
            } else if (cp >= 0x10000) {
                AppendU(out, 0xD800 + ((cp - 0x10000) >> 10));
                AppendU(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                out += static_cast<char>(cp);
            }
        }
    }
    return out + "\"";
}

std::string HtmlText(std::string_view utf8, bool keepGreaterThan) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '>':
            out += keepGreaterThan ? ">" : "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string CoverPath(const SampleSound& sound) {
    return "/covers/" + sound.id + ".png";
}
std::string Mp3Path(const SampleSound& sound) {
    return "/media/" + sound.id + ".mp3";
}

std::string ExplorationPage(const std::vector<SampleSound>& sounds, int page, int perPage) {
    std::string html = Header("探索");
    html += "<div id=\"content\">\n<h2 class=\"section-title\">探索 Exploration</h2>\n";
    html += "<ul class=\"voice-list\">\n";
    const long long first = static_cast<long long>(std::max(page, 1) - 1) * perPage;
    const long long end = std::min<long long>(first + perPage, sounds.size());
    for (long long k = first; k < end; ++k) {
        const SampleSound& s = sounds[k];
        // The third entry on each page carries an extra attribute after the address.
        const std::string extra =
            (k % 15 == 6) ? " title=\"" + HtmlText(s.name) + "\" target=\"_blank\"" : "";
        html += "<li class=\"voice-item\">\n";
        html += "<a class=\"cover\" href=\"/sound/" + s.id + "\"><img src=\"" + CoverPath(s) +
                "\" alt=\"\" width=\"64\" height=\"64\"></a>\n";
        html += " <h3 class=\"voice-name\"><a href=\"/sound/" + s.id + "\"" + extra + ">" +
                HtmlText(s.name, true) + "</a></h3>\n";
        html += "<p class=\"voice-user\">" + HtmlText(s.uploader) + "</p>\n";
        html += "<span class=\"duration\">" + std::to_string(s.durationSeconds / 60) + ":" +
                (s.durationSeconds % 60 < 10 ? "0" : "") + std::to_string(s.durationSeconds % 60) +
                "</span>\n</li>\n";
    }
    html += "</ul>\n";
    const long long pages = (static_cast<long long>(sounds.size()) + perPage - 1) / perPage;
    html += "<div class=\"pagination\">";
    for (long long p = 1; p <= pages; ++p)
        html += "<a href=\"/sound/exploration?page=" + std::to_string(p) +
                "&amp;per-page=" + std::to_string(perPage) + "\">" + std::to_string(p) + "</a> ";
    html += "</div>\n</div>\n";
    return html + std::string(kFooter);
}

std::string SoundPage(const SampleSound& sound, std::string_view pageHost) {
    const std::string host(pageHost);
    std::string html = Header(sound.name);
    html += "<div id=\"content\" class=\"sound\">\n";
    html += "<h1 class=\"sound-title\">" + HtmlText(sound.name) + "</h1>\n";
    html += "<p class=\"sound-user\">UP: " + HtmlText(sound.uploader) + "</p>\n";
    html += "<img class=\"sound-cover\" src=\"http://" + host + CoverPath(sound) +
            "\" alt=\"cover\" width=\"200\" height=\"200\">\n";
    html += "<audio controls preload=\"none\" src=\"http://" + host + Mp3Path(sound) +
            "\"></audio>\n</div>\n";
    return html + std::string(kFooter);
}

std::string NotFoundPage() {
    return Header("404") + "<div id=\"content\"><h1>404</h1><p>页面不存在</p></div>\n" +
           std::string(kFooter);
}

std::string SoundInfoJson(const SampleSound& sound, std::string_view pageHost) {
    const std::string base = "http://" + std::string(pageHost);
    const auto id = std::stoul(sound.id);
    // The uploader comes after the sound's own "name", and "source" right after the string
    // "pic": readers that take the first match of `"name":"` and `","source":"` rely on both.
    std::string json = "{\"success\":true,\"code\":0,\"info\":{\"sound\":{";
    json += "\"id\":" + sound.id;
    json += ",\"name\":" + JsonString(sound.name);
    json += ",\"intro\":" + JsonString("合成音乐 synthesized for the sample site\n" + sound.name);
    json += ",\"duration\":" + std::to_string(sound.durationSeconds * 1000);
    json += ",\"pic\":" + JsonString(base + CoverPath(sound));
    json += ",\"source\":" + JsonString(base + Mp3Path(sound));
    json += ",\"play_count\":" + std::to_string(id % 9973 * 7);
    json += ",\"create_time\":" + std::to_string(1700000000 + id % 100000 * 60);
    json += ",\"user\":{\"id\":" + std::to_string(500 + id % 7) +
            ",\"name\":" + JsonString(sound.uploader) +
            ",\"avatar\":" + JsonString(base + "/static/avatar.png") + "}";
    json += ",\"tags\":[" + JsonString("纯音乐") + "," + JsonString("sample") + "]";
    json += "}}}";
    return json;
}

std::string ErrorRecord(int status, std::string_view message) {
    return "{\"success\":false,\"code\":" + std::to_string(status) +
           ",\"info\":" + JsonString(message) + "}";
}

} // namespace veldo
