#pragma once
// "http://localhost:<port>": a server's local address, as the panel opens and copies it and as the
// widget's open command opens it. The number is written as given; each caller decides which ports it
// opens at all.

#include <string>

inline std::string localhostURL(int port) { return "http://localhost:" + std::to_string(port); }
