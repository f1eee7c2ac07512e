#include "web/routes.h"

#include <algorithm>
#include <exception>

namespace ijken::web {

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string Request::header(std::string_view name) const {
    for (const auto& [n, v] : headers) {
        if (same_name(n, name)) return v;
    }
    return "";
}

bool Request::has_param(std::string_view name) const {
    return std::any_of(params.begin(), params.end(), [&](const auto& p) { return p.first == name; });
}

std::string Request::param(std::string_view name) const {
    for (const auto& [n, v] : params) {
        if (n == name) return v;
    }
    return "";
}

std::string Request::cookie(std::string_view name) const {
    const std::string h = header("Cookie");
    std::size_t at = 0;
    while (at < h.size()) {
        const auto end = std::min(h.find(';', at), h.size());
        std::string_view item = std::string_view(h).substr(at, end - at);
        const auto first = item.find_first_not_of(' ');
        item = first == std::string_view::npos ? std::string_view() : item.substr(first);
        if (item.size() > name.size() && item.substr(0, name.size()) == name && item[name.size()] == '=') {
            return std::string(item.substr(name.size() + 1));
        }
        at = end + 1;
    }
    return "";
}

void Response::set_header(std::string_view name, std::string value) {
    erase_header(name);
    headers.emplace_back(std::string(name), std::move(value));
}

std::string Response::header(std::string_view name) const {
    for (const auto& [n, v] : headers) {
        if (same_name(n, name)) return v;
    }
    return "";
}

void Response::erase_header(std::string_view name) {
    headers.erase(std::remove_if(headers.begin(), headers.end(), [&](const auto& h) { return same_name(h.first, name); }),
                  headers.end());
}

void Response::set_content(std::string content, std::string content_type) {
    body = std::move(content);
    set_header("Content-Type", std::move(content_type));
}

void Routes::get(const std::string& pattern, Handler handler, Lane lane) {
    routes_.push_back({"GET", std::regex(pattern), std::move(handler), lane});
}

void Routes::post(const std::string& pattern, Handler handler, Lane lane) {
    routes_.push_back({"POST", std::regex(pattern), std::move(handler), lane});
}

const Routes::Route* Routes::find(const Request& request, std::smatch* groups) const {
    const std::string method = request.method == "HEAD" ? std::string("GET") : request.method;
    std::smatch m;
    for (const Route& route : routes_) {
        if (route.method == method && std::regex_match(request.path, groups ? *groups : m, route.pattern)) {
            return &route;
        }
    }
    return nullptr;
}

Routes::Lane Routes::lane(const Request& request) const {
    const Route* route = find(request, nullptr);
    return route ? route->lane : Lane::pages;
}

Response Routes::refusal(const Request& request, int status) const {
    Response res;
    res.headers = common_headers;
    res.status = status;
    if (error_page) error_page(request, res);
    return res;
}

Response Routes::answer(Request& request) const {
    if (request.method != "GET" && request.method != "HEAD" && request.method != "POST") {
        Response res = refusal(request, 405);
        res.set_header("Allow", "GET, HEAD, POST");
        return res;
    }
    std::smatch m;
    const Route* route = find(request, &m);
    if (!route) return refusal(request, 404);
    request.matches.assign(m.begin(), m.end());
    Response res;
    res.headers = common_headers;
    try {
        route->handler(request, res);
    } catch (const std::exception&) {
        res = refusal(request, 500);
        res.set_content("internal error\n", "text/plain; charset=utf-8");
        return res;
    }
    if (res.status >= 400 && res.body.empty() && !res.stream && error_page) error_page(request, res);
    return res;
}

}  // namespace ijken::web
