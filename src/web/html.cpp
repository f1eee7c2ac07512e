#include "web/html.h"

namespace ijken::web {

std::string escape(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': s += "&amp;"; break;
            case '<': s += "&lt;"; break;
            case '>': s += "&gt;"; break;
            case '"': s += "&quot;"; break;
            case '\'': s += "&#39;"; break;
            default: s += c;
        }
    }
    return s;
}

std::string url_encode(std::string_view text) {
    static const char* const hex = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            s += static_cast<char>(c);
        } else {
            s += '%';
            s += hex[c >> 4];
            s += hex[c & 15];
        }
    }
    return s;
}

std::string utc_minutes(std::string_view stored) {
    return std::string(stored.substr(0, 16));
}

namespace {

std::string language_switch(const PageContext& c) {
    std::string s = "<form class=\"lang\" method=\"post\" action=\"/lang\"><input type=\"hidden\" name=\"back\" value=\"" +
                    escape(c.path) + "\"><span id=\"lang-label\">" + escape(tr(c.lang, Text::language)) + "</span>";
    for (Lang l : {Lang::nl, Lang::fr, Lang::de}) {
        s += std::string("<button type=\"submit\" name=\"lang\" value=\"") + code(l) + "\" aria-describedby=\"lang-label\"" +
             (l == c.lang ? " aria-current=\"true\"" : "") + " lang=\"" + code(l) + "\">" + code(l) + "</button>";
    }
    return s + "</form>";
}

}  // namespace

std::string page(const PageContext& c, std::string_view title, std::string_view body) {
    std::string s = std::string("<!DOCTYPE html>\n<html lang=\"") + code(c.lang) +
                    "\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" content=\"width=device-width, "
                    "initial-scale=1\"><title>" +
                    escape(title) + " \xE2\x80\x93 " + escape(tr(c.lang, Text::app_title)) +
                    "</title><link rel=\"stylesheet\" href=\"/style.css\"></head><body><header><nav aria-label=\"" +
                    escape(tr(c.lang, Text::app_title)) + "\"><span class=\"brand\">" +
                    escape(tr(c.lang, Text::app_title)) + "</span>";
    if (!c.user.empty()) {
        s += std::string("<a href=\"/\">") + escape(tr(c.lang, Text::fleet)) + "</a><a href=\"/surveys\">" +
             escape(tr(c.lang, Text::surveys)) + "</a>";
    }
    s += "</nav>" + language_switch(c);
    if (!c.user.empty()) {
        s += "<form class=\"logout\" method=\"post\" action=\"/logout\"><span class=\"user\">" + escape(c.user) +
             "</span><button type=\"submit\">" + escape(tr(c.lang, Text::logout)) + "</button></form>";
    }
    s += "</header><main><h1>" + escape(title) + "</h1>";
    s += body;
    s += "</main></body></html>\n";
    return s;
}

const std::string& style_sheet() {
    static const std::string css = R"(*{box-sizing:border-box}
body{font-family:"DejaVu Sans",Arial,sans-serif;margin:0;color:#1a1a1a;background:#fff}
header{display:flex;flex-wrap:wrap;align-items:center;gap:.5em 1em;padding:.5em 1em;background:#12355b;color:#fff}
header nav{display:flex;flex-wrap:wrap;gap:.3em 1em}
header a,header .brand{color:#fff}
header .brand{font-weight:bold}
header form{display:inline-flex;flex-wrap:wrap;gap:.3em;align-items:center;margin:0}
header button{background:#fff;color:#12355b;border:1px solid #fff;padding:.15em .5em;cursor:pointer}
header button[aria-current]{background:#ffd166;font-weight:bold}
header .user{margin-right:.4em;overflow-wrap:anywhere}
main{padding:1em;max-width:75em}
h1,h2,h3,p,li{overflow-wrap:anywhere}
.scroll{max-width:100%;overflow-x:auto;margin:.5em 0 1.5em}
.scroll table{margin:0}
table{border-collapse:collapse;margin:.5em 0 1.5em}
th,td{border:1px solid #b8c2cc;padding:.2em .5em;text-align:left;vertical-align:top;overflow-wrap:break-word}
td.text{min-width:12em;max-width:30em;overflow-wrap:anywhere}
#surveys td:first-child{white-space:nowrap}
#parties td,#results td,#particulars td{max-width:40em;overflow-wrap:anywhere}
td.num,th.num{text-align:right;font-variant-numeric:tabular-nums}
td.num{min-width:5.5em;max-width:14em;overflow-wrap:anywhere}
th.tonnes,td.tonnes{position:sticky;right:0;background:#fff;box-shadow:-2px 0 0 #b8c2cc}
caption{text-align:left;font-weight:bold;padding:.3em 0}
form.filter{display:flex;flex-wrap:wrap;gap:.8em;align-items:flex-end;margin-bottom:1em}
form.filter label{display:flex;flex-direction:column;font-size:.9em;max-width:100%}
form.filter label.check{flex-direction:row;align-items:center;gap:.3em}
form.filter select,form.filter input{max-width:100%}
form.login{display:flex;flex-direction:column;gap:.6em;max-width:20em}
form.login label{display:flex;flex-direction:column}
.error{color:#8b0000;font-weight:bold}
.paging{display:flex;flex-wrap:wrap;gap:.5em 1.5em}
#sum{overflow-wrap:anywhere}
.deleted{color:#8b0000}
figure{margin:1em 0;max-width:100%}
svg{max-width:100%;height:auto}
svg .bar{fill:#12355b}
svg .axis{stroke:#333;stroke-width:1}
svg .grid{stroke:#ccc;stroke-width:1}
svg .curve{fill:none;stroke:#12355b;stroke-width:2}
svg text{font-size:11px;fill:#1a1a1a}
a{color:#0b4f9c}
@media (max-width:40em){main{padding:.5em}header{padding:.4em .5em}th,td{padding:.15em .3em}td.text{min-width:10em}}
)";
    return css;
}

}  // namespace ijken::web
