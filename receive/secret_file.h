#pragma once

#include <string>

namespace zelkam::receive {

// A secret kept in a file of its own, as a server's log secret (and any
// other secret the receiver's side is given) is: the one place that says
// which file is safe to take a secret from, and how a new one is made.
//
// A secret file is trusted only when no one but its owner can have read or
// changed it: it must be a regular file of at most 4 KiB, owned by the user
// running the program (or root), with no access at all for group or others
// (mode 0600 or 0400). Another owner could rewrite the secret and have his
// own lines taken for the server's; a file others can read has leaked it.

// The secret held in the file at path: its first line, without the line end
// and trailing blanks. False, with the reason and the fix (chown, chmod 600)
// in error, when the file cannot be read, breaks the rules above or holds
// no secret.
bool readSecretFile(const std::string& path, std::string& secret, std::string& error);

// A new random secret of 40 decimal digits (more than 128 bits), the first
// one not 0: digits alone, since a server takes its log secret as a number
// typed at its console. False when the system gives no random bytes.
bool makeSecret(std::string& secret);

// Writes secret and a line feed into a new file at path, made 0600 whatever
// the user's mask. Never replaces anything: a name already taken (a link
// included) fails. False, with the reason in error, when it was not written
// whole; a part written is removed again.
bool writeNewSecretFile(const std::string& path, const std::string& secret, std::string& error);

} // namespace zelkam::receive
