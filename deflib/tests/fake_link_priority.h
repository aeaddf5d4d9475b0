// How the stand-in librarian sees its own scheduling priority.
#ifndef TK_DEFLIB_TESTS_FAKE_LINK_PRIORITY_H_
#define TK_DEFLIB_TESTS_FAKE_LINK_PRIORITY_H_

namespace fake_link {

// Windows: the process's priority class (0x80 for HIGH_PRIORITY_CLASS).
// POSIX: the process's nice value. The starter sets it just after the
// program has started, so this waits up to two seconds for it to rise above
// the normal class (Windows) or the starter's own (POSIX).
long own_priority();

}  // namespace fake_link

#endif  // TK_DEFLIB_TESTS_FAKE_LINK_PRIORITY_H_
