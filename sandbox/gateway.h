#pragma once

#include <map>
#include <string>
#include <vector>

#include "marketplace/api_credential.h"
#include "text/time_text.h"

// The sandbox's own reading of the open platform's signed GET: it checks
// what the real gateway checks, with code of its own.
namespace quorvane::sandbox {

// name -> value of a query, %XX decoded.
std::map<std::string, std::string> parse_query(const std::string& query);

// MD5 over secret + every name and value in byte order of names (the sign
// itself left out) + secret, upper-case.
std::string expected_signature(const std::map<std::string, std::string>& parameters,
                               const std::string& secret);

struct GatewayVerdict {
    bool accepted = false;
    int code = 0;
    std::string msg;
    std::string num_iid;
    std::string app_key;
};

// Checks the system parameters, the key, the signature and that the
// timestamp lies within 10 minutes of `now`.
GatewayVerdict check_gateway_call(const std::map<std::string, std::string>& parameters,
                                  const std::vector<ApiCredential>& credentials,
                                  const LocalTime& now);

// Whether a proxy body "_id=...&m=..." carries md5(id + secret) for one of
// the secrets; gives the id.
bool check_proxy_body(const std::string& body, const std::vector<std::string>& secrets,
                      std::string& num_iid);

}  // namespace quorvane::sandbox
