#include "marketplace/top_request.h"

#include <cctype>
#include <cstdio>
#include <utility>

#include "text/md5.h"

namespace quorvane {

void sort_parameters(TopRequest& parameters) {
    for (size_t i = 0; i < parameters.size(); ++i) {
        for (size_t j = i + 1; j < parameters.size(); ++j) {
            // std::string compares bytes as unsigned char, shorter prefix first.
            if (parameters[i].name > parameters[j].name) {
                std::swap(parameters[i], parameters[j]);
            }
        }
    }
}

std::string top_timestamp(const LocalTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                  time.hour, time.minute, time.second);
    return text;
}

std::string top_request_url(const TopCall& call, std::string_view gateway_host,
                            const LocalTime& now) {
    if (call.app_key.empty() || call.app_secret.empty()) {
        return {};
    }
    TopRequest parameters = call.parameters;
    parameters.push_back({"app_key", call.app_key});
    parameters.push_back({"format", call.format.empty() ? "xml" : call.format});
    parameters.push_back({"sign_method", call.sign_method.empty() ? "md5" : call.sign_method});
    parameters.push_back({"v", "2.0"});
    parameters.push_back({"method", call.method});
    parameters.push_back({"session", call.authorisation});
    parameters.push_back({"timestamp", top_timestamp(now)});
    sort_parameters(parameters);
    for (size_t i = parameters.size(); i > 0; --i) {
        if (parameters[i - 1].name.empty() || parameters[i - 1].value.empty()) {
            parameters.erase(parameters.begin() + static_cast<std::ptrdiff_t>(i - 1));
        }
    }

    std::string signed_text = call.app_secret;
    std::string query;
    for (const TopParameter& p : parameters) {
        signed_text += p.name + p.value;
        query += (query.empty() ? "" : "&") + p.name + "=" + p.value;
    }
    signed_text += call.app_secret;
    std::string signature = md5_text(signed_text);
    for (char& c : signature) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return "http://" + std::string(gateway_host) + "/router/rest?" + query + "&sign=" + signature;
}

}  // namespace quorvane
