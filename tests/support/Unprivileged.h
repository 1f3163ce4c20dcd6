#pragma once

// Root reads and writes wherever it likes, so a test of what happens when permission is denied
// runs its body as an ordinary user. Called first in such a test: in a process run by root it
// runs this same test again in a child process as the user "nobody" (through setpriv), waits for
// it and takes over its outcome, and returns false, so the caller returns at once. In that child,
// or when the tests already run as an ordinary user, it returns true and the test goes on.
// The child's temporary folders must be its own (made after the call).
bool RunsAsOrdinaryUser();
