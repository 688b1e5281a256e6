#pragma once

#include <functional>
#include <vector>
#include <string>

// Runs `body` in a child process without root's privileges (as "nobody" when the tests run as
// root), so that file permissions hold. Returns the child's exit status, or -1 when it did not
// exit normally. `grantTo` paths are handed to the unprivileged user first (chown), so the child
// can use a test folder.
int RunUnprivileged(const std::function<int()>& body, const std::vector<std::string>& grantTo = {});
