#pragma once

#include <string>
#include <string_view>

// Address splitting for plain-HTTP addresses. Only "http://" (exact case)
// is a scheme; anything else is read as if the host started at the first
// byte, so an https address yields a host that cannot be reached.
namespace quorvane {

// After the first "http://" (or from the start) up to the next "/";
// without keep_port, from the first ":" on is cut off. Lower-cased.
std::string url_host(std::string_view address, bool keep_port = false);

// From the first "/" after the host (found without regard to case) to the
// end, query included; "/" when there is none.
std::string url_path(std::string_view address);

// The number after the host's first ":"; 80 without one; 0 (the service's
// default) when it is not a number.
int url_port(std::string_view address);

}  // namespace quorvane
