#pragma once

#include <string>

namespace quorvane {

// One open-platform credential. For the proxy routes the key's last two
// characters pick the service and the secret keys the request digest.
struct ApiCredential {
    std::string app_key;
    std::string app_secret;
};

}  // namespace quorvane
