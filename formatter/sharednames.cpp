#include "sharednames.h"

namespace {

const NamedLine kCompCodeValues[] = {
    {0, "%s    CompCode MQCC_OK\n"},
    {1, "%s    CompCode MQCC_WARNING\n"},
    {2, "%s    CompCode MQCC_FAILED\n"},
    {-1, "%s    CompCode MQCC_UNKNOWN\n"},
};

const MaskLine kSubOptionsTests[] = {
    bit(0x1, "%s    Options=MQSO_ALTER\n"),
    bit(0x2, "%s    Options=MQSO_CREATE\n"),
    bit(0x4, "%s    Options=MQSO_RESUME\n"),
    bit(0x8, "%s    Options=MQSO_DURABLE\n"),
    bit(0x10, "%s    Options=MQSO_GROUP_SUB\n"),
    bit(0x20, "%s    Options=MQSO_MANAGED\n"),
    bit(0x40, "%s    Options=MQSO_SET_IDENTITY_CONTEXT\n"),
    bit(0x80, "%s    Options=MQSO_NO_MULTICAST\n"),
    bit(0x100, "%s    Options=MQSO_FIXED_USERID\n"),
    bit(0x200, "%s    Options=MQSO_ANY_USERID\n"),
    bit(0x400, "%s    Options=MQSO UNKNOWN_CONSTANT 0x400\n"),
    bit(0x800, "%s    Options=MQSO_PUBLICATIONS_ON_REQUEST\n"),
    bit(0x1000, "%s    Options=MQSO_NEW_PUBLICATIONS_ONLY\n"),
    bit(0x2000, "%s    Options=MQSO_FAIL_IF_QUIESCING\n"),
    bit(0x4000, "%s    Options=MQSO UNKNOWN_CONSTANT 0x4000\n"),
    bit(0x8000, "%s    Options=MQSO UNKNOWN_CONSTANT 0x8000\n"),
    bit(0x10000, "%s    Options=MQSO UNKNOWN_CONSTANT 0x10000\n"),
    bit(0x20000, "%s    Options=MQSO UNKNOWN_CONSTANT 0x20000\n"),
    bit(0x40000, "%s    Options=MQSO_ALTERNATE_USER_AUTHORITY\n"),
    bit(0x80000, "%s    Options=MQSO UNKNOWN_CONSTANT 0x80000\n"),
    bit(0x100000, "%s    Options=MQSO_WILDCARD_CHAR\n"),
    bit(0x200000, "%s    Options=MQSO_WILDCARD_TOPIC\n"),
    bit(0x400000, "%s    Options=MQSO_SET_CORREL_ID\n"),
    bit(0x800000, "%s    Options=MQSO UNKNOWN_CONSTANT 0x800000\n"),
    bit(0x1000000, "%s    Options=MQSO UNKNOWN_CONSTANT 0x1000000\n"),
    bit(0x2000000, "%s    Options=MQSO UNKNOWN_CONSTANT 0x2000000\n"),
    bit(0x4000000, "%s    Options=MQSO_SCOPE_QMGR\n"),
    bit(0x8000000, "%s    Options=MQSO_NO_READ_AHEAD\n"),
    bit(0x10000000, "%s    Options=MQSO_READ_AHEAD\n"),
    anyOf(0xE0000000, "%s    Options=MQSO UNKNOWN_CONSTANT in range 0xE0000000\n"),
};
const char *const kSubOptionsZero[] = {
    "%s    Options=MQSO_NONE\n",
    "%s    Options=MQSO_NON_DURABLE\n",
    "%s    Options=MQSO_READ_AHEAD_AS_Q_DEF\n",
};

} // namespace

extern const ConstantNames kCompCodeNames = equality(kCompCodeValues, "%s    CompCode UNKNOWN_CONSTANT\n");

extern const MaskLine kOpenOptionBitLines[24] = {
    bit(0x1, "%s    Options=MQOO_INPUT_AS_Q_DEF\n"),
    bit(0x2, "%s    Options=MQOO_INPUT_SHARED\n"),
    bit(0x4, "%s    Options=MQOO_INPUT_EXCLUSIVE\n"),
    bit(0x8, "%s    Options=MQOO_BROWSE\n"),
    bit(0x10, "%s    Options=MQOO_OUTPUT\n"),
    bit(0x20, "%s    Options=MQOO_INQUIRE\n"),
    bit(0x40, "%s    Options=MQOO_SET\n"),
    bit(0x80, "%s    Options=MQOO_SAVE_ALL_CONTEXT\n"),
    bit(0x100, "%s    Options=MQOO_PASS_IDENTITY_CONTEXT\n"),
    bit(0x200, "%s    Options=MQOO_PASS_ALL_CONTEXT\n"),
    bit(0x400, "%s    Options=MQOO_SET_IDENTITY_CONTEXT\n"),
    bit(0x800, "%s    Options=MQOO_SET_ALL_CONTEXT\n"),
    bit(0x1000, "%s    Options=MQOO_ALTERNATE_USER_AUTHORITY\n"),
    bit(0x2000, "%s    Options=MQOO_FAIL_IF_QUIESCING\n"),
    bit(0x4000, "%s    Options=MQOO_BIND_ON_OPEN\n"),
    bit(0x8000, "%s    Options=MQOO_BIND_NOT_FIXED\n"),
    bit(0x10000, "%s    Options=MQOO_RESOLVE_NAMES\n"),
    bit(0x20000, "%s    Options=MQOO_CO_OP\n"),
    bit(0x40000, "%s    Options=MQOO_RESOLVE_LOCAL_TOPIC\n"),
    bit(0x40000, "%s    Options=MQOO_RESOLVE_LOCAL_Q (C++ only)\n"),
    bit(0x80000, "%s    Options=MQOO_NO_READ_AHEAD\n"),
    bit(0x100000, "%s    Options=MQOO_READ_AHEAD\n"),
    bit(0x200000, "%s    Options=MQOO_NO_MULTICAST\n"),
    bit(0x400000, "%s    Options=MQOO_BIND_ON_GROUP\n"),
};

extern const ConstantNames kSubscriptionOptions = masked(kSubOptionsTests, kSubOptionsZero);
