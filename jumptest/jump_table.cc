// The table's entry points live apart from jump_lookup, so the compiler
// cannot turn the indexed transfer into arithmetic on the index.
#include "jumptest/jump_lookup.h"

namespace tk::jumptest {

namespace {

template <std::int32_t k>
std::int32_t label() {
  return k;
}

}  // namespace

const std::array<jump_entry, jump_table_size> jump_table = {
    label<0>,  label<1>,  label<2>,  label<3>,  label<4>,  label<5>,
    label<6>,  label<7>,  label<8>,  label<9>,  label<10>, label<11>,
    label<12>, label<13>, label<14>, label<15>,
};

}  // namespace tk::jumptest
