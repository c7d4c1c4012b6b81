#include "sandbox/gateway.h"

#include <cctype>
#include <cstdlib>

#include "text/md5.h"

namespace quorvane::sandbox {
namespace {

std::string percent_decode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "YYYY-MM-DD HH:MM:SS" as a local time; false when it is not that shape.
bool parse_timestamp(const std::string& text, LocalTime& time) {
    int fields[6] = {};
    if (text.size() != 19 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &fields[0], &fields[1], &fields[2],
                    &fields[3], &fields[4], &fields[5]) != 6) {
        return false;
    }
    time = LocalTime{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], 0};
    return time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31;
}

}  // namespace

std::map<std::string, std::string> parse_query(const std::string& query) {
    std::map<std::string, std::string> parameters;
    size_t pos = 0;
    while (pos <= query.size()) {
        size_t end = query.find('&', pos);
        if (end == std::string::npos) {
            end = query.size();
        }
        const std::string pair = query.substr(pos, end - pos);
        const size_t equals = pair.find('=');
        if (!pair.empty()) {
            parameters.emplace(
                percent_decode(pair.substr(0, equals)),
                equals == std::string::npos ? "" : percent_decode(pair.substr(equals + 1)));
        }
        pos = end + 1;
    }
    return parameters;
}

std::string expected_signature(const std::map<std::string, std::string>& parameters,
                               const std::string& secret) {
    std::string text = secret;
    for (const auto& [name, value] : parameters) {  // std::map: byte order of names
        if (name != "sign" && !value.empty()) {
            text += name + value;
        }
    }
    text += secret;
    std::string digest = md5_text(text);
    for (char& c : digest) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return digest;
}

GatewayVerdict check_gateway_call(const std::map<std::string, std::string>& parameters,
                                  const std::vector<ApiCredential>& credentials,
                                  const LocalTime& now) {
    GatewayVerdict verdict;
    auto value = [&parameters](const char* name) {
        const auto it = parameters.find(name);
        return it == parameters.end() ? std::string() : it->second;
    };
    for (const char* required : {"app_key", "method", "format", "v", "sign_method", "timestamp",
                                 "sign", "fields", "num_iid"}) {
        if (value(required).empty()) {
            verdict.code = 40;
            verdict.msg = std::string("Missing required arguments:") + required;
            return verdict;
        }
    }
    verdict.app_key = value("app_key");
    verdict.num_iid = value("num_iid");
    if (value("method") != "taobao.item.get") {
        verdict.code = 22;
        verdict.msg = "Invalid method";
        return verdict;
    }
    if (value("format") != "xml" || value("v") != "2.0" || value("sign_method") != "md5") {
        verdict.code = 41;
        verdict.msg = "Invalid arguments:format, v or sign_method";
        return verdict;
    }
    const ApiCredential* credential = nullptr;
    for (const ApiCredential& c : credentials) {
        if (c.app_key == verdict.app_key) {
            credential = &c;
        }
    }
    if (credential == nullptr) {
        verdict.code = 29;
        verdict.msg = "Invalid app Key";
        return verdict;
    }
    LocalTime stamp;
    if (!parse_timestamp(value("timestamp"), stamp) ||
        std::llabs(timestamp_seconds(stamp) - timestamp_seconds(now)) > 600) {
        verdict.code = 31;
        verdict.msg = "Invalid timestamp";
        return verdict;
    }
    if (value("sign") != expected_signature(parameters, credential->app_secret)) {
        verdict.code = 25;
        verdict.msg = "Invalid signature";
        return verdict;
    }
    verdict.accepted = true;
    return verdict;
}

bool check_proxy_body(const std::string& body, const std::vector<std::string>& secrets,
                      std::string& num_iid) {
    const auto form = parse_query(body);
    const auto id = form.find("_id");
    const auto digest = form.find("m");
    if (id == form.end() || digest == form.end() || id->second.empty()) {
        return false;
    }
    num_iid = id->second;
    for (const std::string& secret : secrets) {
        if (md5_text(id->second + secret) == digest->second) {
            return true;
        }
    }
    return false;
}

}  // namespace quorvane::sandbox
