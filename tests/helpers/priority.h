// How a helper program sees its own scheduling priority.
#ifndef TK_TESTS_HELPERS_PRIORITY_H_
#define TK_TESTS_HELPERS_PRIORITY_H_

namespace helpers {

// Windows: the process's priority class (0x80 for HIGH_PRIORITY_CLASS).
// POSIX: the process's nice value. The starter sets it just after the
// program has started, so this waits up to two seconds for it to rise above
// the normal class (Windows) or the starter's own (POSIX).
long own_priority();

}  // namespace helpers

#endif  // TK_TESTS_HELPERS_PRIORITY_H_
