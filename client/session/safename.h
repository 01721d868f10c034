#ifndef PARLANE_CLIENT_SESSION_SAFENAME_H
#define PARLANE_CLIENT_SESSION_SAFENAME_H

#include <string>

// Makes a name that came from the network usable as one path component that
// stays where it is put: "/" and "\" become "_", and a name that is empty or
// begins with "." gets a leading "_", so "." and ".." and hidden names cannot
// arise. Other names come back unchanged.
//   safe_name("a/../../b") is "a_.._.._b"; safe_name("..") is "_..".
std::string safe_name(const std::string& name);

#endif
