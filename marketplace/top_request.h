#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/time_text.h"

// The signed GET address of one open-platform REST call.
namespace quorvane {

struct TopParameter {
    std::string name;
    std::string value;
    bool operator==(const TopParameter&) const = default;
};

using TopRequest = std::vector<TopParameter>;

struct TopCall {
    std::string app_key;
    std::string app_secret;
    std::string authorisation;  // sent as "session"; empty leaves it out
    std::string format;         // empty: "xml"
    std::string sign_method;    // empty: "md5"; the signature is MD5 whatever it says
    std::string method;
    TopRequest parameters;
};

// Exchange sort by name, ascending byte order; equal names keep their order.
void sort_parameters(TopRequest& parameters);

// "2013-07-05 09:03:07": the local time, fields after the year padded to two.
std::string top_timestamp(const LocalTime& time);

// "http://" + gateway_host + "/router/rest?" + the sorted, signed query;
// "" when the key or the secret is empty. Values go in unencoded, exactly
// as signed.
std::string top_request_url(const TopCall& call, std::string_view gateway_host,
                            const LocalTime& now);

}  // namespace quorvane
