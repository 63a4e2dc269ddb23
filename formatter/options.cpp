// The options words of connect, open and close, each read from one dump line.

#include "reading.h"
#include "render.h"
#include "sharednames.h"

namespace {

const MaskLine kConnectTests[] = {
    bit(0x1, "%s    Options=MQCNO_FASTPATH_BINDING\n"),
    bit(0x2, "%s    Options=MQCNO_SERIALIZE_CONN_TAG_Q_MGR\n"),
    bit(0x4, "%s    Options=MQCNO_SERIALIZE_CONN_TAG_QSG\n"),
    bit(0x8, "%s    Options=MQCNO_RESTRICT_CONN_TAG_Q_MGR\n"),
    bit(0x10, "%s    Options=MQCNO_RESTRICT_CONN_TAG_QSG\n"),
    bit(0x20, "%s    Options=MQCNO_HANDLE_SHARE_NONE\n"),
    bit(0x40, "%s    Options=MQCNO_HANDLE_SHARE_BLOCK\n"),
    bit(0x80, "%s    Options=MQCNO_HANDLE_SHARE_NO_BLOCK\n"),
    bit(0x100, "%s    Options=MQCNO_SHARED_BINDING\n"),
    bit(0x200, "%s    Options=MQCNO_ISOLATED_BINDING\n"),
    bit(0x400, "%s    Options=MQCNO_LOCAL_BINDING\n"),
    bit(0x800, "%s    Options=MQCNO_CLIENT_BINDING\n"),
    bit(0x1000, "%s    Options=MQCNO_ACCOUNTING_MQI_ENABLED\n"),
    bit(0x2000, "%s    Options=MQCNO_ACCOUNTING_MQI_DISABLED\n"),
    bit(0x4000, "%s    Options=MQCNO_ACCOUNTING_Q_ENABLED\n"),
    bit(0x8000, "%s    Options=MQCNO_ACCOUNTING_Q_DISABLED\n"),
    bit(0x10000, "%s    Options=MQCNO_NO_CONV_SHARING\n"),
    bit(0x20000, "%s    Options=MQCNO UNKNOWN_CONSTANT 0x20000\n"),
    bit(0x40000, "%s    Options=MQCNO_ALL_CONVS_SHARE\n"),
    bit(0x80000, "%s    Options=MQCNO_CD_FOR_OUTPUT_ONLY\n"),
    bit(0x100000, "%s    Options=MQCNO_USE_CD_SELECTION\n"),
    bit(0x200000, "%s    Options=MQCNO UNKNOWN_CONSTANT 0x200000\n"),
    bit(0x400000, "%s    Options=MQCNO UNKNOWN_CONSTANT 0x400000\n"),
    bit(0x800000, "%s    Options=MQCNO UNKNOWN_CONSTANT 0x800000\n"),
    bit(0x1000000, "%s    Options=MQCNO_RECONNECT\n"),
    bit(0x2000000, "%s    Options=MQCNO_RECONNECT_DISABLED\n"),
    bit(0x4000000, "%s    Options=MQCNO_RECONNECT_Q_MGR\n"),
    bit(0x8000000, "%s    Options=MQCNO_ACTIVITY_TRACE_ENABLED\n"),
    bit(0x10000000, "%s    Options=MQCNO_ACTIVITY_TRACE_DISABLED\n"),
    bit(0x20000000, "%s    Options=MQCNO UNKNOWN_CONSTANT 0x20000000\n"),
    bit(0x40000000, "%s    Options=MQCNO UNKNOWN_CONSTANT 0x40000000\n"),
    bit(0x80000000, "%s    Options=MQCNO UNKNOWN_CONSTANT 0x80000000\n"),
};
const char *const kConnectZero[] = {"%s    Options=MQCNO_NONE\n"};
constexpr ConstantNames kConnectNames = masked(kConnectTests, kConnectZero);

// The open options: the named bits, then each bit above them on its own.
const MaskLine kOpenUnnamedBits[] = {
    bit(0x800000, "%s    Options=MQOO UNKNOWN_CONSTANT 0x800000\n"),
    bit(0x1000000, "%s    Options=MQOO UNKNOWN_CONSTANT 0x1000000\n"),
    bit(0x2000000, "%s    Options=MQOO UNKNOWN_CONSTANT 0x2000000\n"),
    bit(0x4000000, "%s    Options=MQOO UNKNOWN_CONSTANT 0x4000000\n"),
    bit(0x8000000, "%s    Options=MQOO UNKNOWN_CONSTANT 0x8000000\n"),
    bit(0x10000000, "%s    Options=MQOO UNKNOWN_CONSTANT 0x10000000\n"),
    bit(0x20000000, "%s    Options=MQOO UNKNOWN_CONSTANT 0x20000000\n"),
    bit(0x40000000, "%s    Options=MQOO UNKNOWN_CONSTANT 0x40000000\n"),
    bit(0x80000000, "%s    Options=MQOO UNKNOWN_CONSTANT 0x80000000\n"),
};
constexpr ConstantNames kOpenAbove = masked(kOpenUnnamedBits);
constexpr ConstantNames kOpenNames = masked(kOpenOptionBitLines, kOpenAbove);

// Close options are named by their whole value.
const NamedLine kCloseValues[] = {
    {0, "%s    Options=MQCO_NONE\n"},
    {0, "%s    Options=MQCO_IMMEDIATE\n"},
    {1, "%s    Options=MQCO_DELETE\n"},
    {2, "%s    Options=MQCO_DELETE_PURGE\n"},
    {4, "%s    Options=MQCO_KEEP_SUB\n"},
    {8, "%s    Options=MQCO_REMOVE_SUB\n"},
    {32, "%s    Options=MQCO_QUIESCE\n"},
};
constexpr ConstantNames kCloseNames = equality(kCloseValues, "%s    Options=MQCO UNKNOWN_CONSTANT\n");

// The connect options word is bytes 8 to 11 of the first dump row of the
// connect options; the open and close options are the first four bytes of
// the row after the call's " Options:" line. Their hex lines show the
// digits upper-cased.
constexpr OptionsWord kConnectWord{"CNO ", 8, true, "%s Connect Options expanded (Options field only):\n",
                                   "%s MQCNO.Options= (MQLONG)     : %d\n"};
constexpr OptionsWord kOpenWord{nullptr, 0, true, "%s Open Options expanded:\n",
                                "%s MQOO.Options= (MQLONG)      : %d\n"};
constexpr OptionsWord kCloseWord{nullptr, 0, true, "%s Close Options expanded:\n",
                                 "%s MQCO.Options= (MQLONG)      : %d\n"};

} // namespace

const ValueKind kConnectOptsKind{kUnixOs | kWindowsOs | kAatOs,
                                 false,
                                 " 00000000:",
                                 "%s Expected parsing token for ConnectOpts: was not found on line below.\n",
                                 "%s Expected parsing token for ConnectOpts: was not found on line below.\n",
                                 "%s Unable to format ConnectOpts.\n",
                                 writeOptionsWord,
                                 nullptr,
                                 &kConnectNames,
                                 &kConnectWord};
const ValueKind kOpenOptsKind{kUnixOs | kWindowsOs,
                              true,
                              nullptr,
                              "%s Expected parsing token for Open Options was not found on line below.\n",
                              "%s Expected parsing token for Open Options was not found on line below.\n",
                              "%s Unable to format Open Options.\n",
                              writeOptionsWord,
                              nullptr,
                              &kOpenNames,
                              &kOpenWord};
const ValueKind kCloseOptsKind{kUnixOs | kWindowsOs,
                               true,
                               nullptr,
                               "%s Expected parsing token for Close Options was not found on line below.\n",
                               "%s Expected parsing token for Close Options was not found on line below.\n",
                               "%s Unable to format Close Options.\n",
                               writeOptionsWord,
                               nullptr,
                               &kCloseNames,
                               &kCloseWord};
