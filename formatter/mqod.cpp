// Object descriptor: field layout of versions 1 to 4 for both pointer
// lengths, and its constant names.

#include <iterator>

#include "render.h"

namespace {

const NamedLine kObjectTypeValues[] = {
    {0, "%s    ObjectType MQOT_NONE\n"},
    {1, "%s    ObjectType MQOT_Q\n"},
    {2, "%s    ObjectType MQOT_NAMELIST\n"},
    {3, "%s    ObjectType MQOT_PROCESS\n"},
    {5, "%s    ObjectType MQOT_Q_MGR\n"},
    {8, "%s    ObjectType MQOT_TOPIC\n"},
    {1014, "%s    ObjectType MQOT_CLNTCONN_CHANNEL\n"},
};
constexpr ConstantNames kObjectType = equality(kObjectTypeValues, "%s    ObjectType UNKNOWN_CONSTANT\n");

const NamedLine kSecurityIdTypeValues[] = {
    {0, "%s    AlternateSecurityId MQSIDT_NONE\n"},
    {1, "%s    AlternateSecurityId MQSIDT_NT_SECURITY_ID\n"},
    {2, "%s    AlternateSecurityId MQSIDT_WAS_SECURITY_ID\n"},
};
constexpr ConstantNames kSecurityIdType =
    equality(kSecurityIdTypeValues, "%s    AlternateSecurityId UNKNOWN_CONSTANT\n");

const NamedLine kResolvedTypeValues[] = {
    {0, "%s    ResolvedType MQOT_NONE\n"},
    {1, "%s    ResolvedType MQOT_Q\n"},
    {8, "%s    ResolvedType MQOT_TOPIC\n"},
};
constexpr ConstantNames kResolvedType = equality(kResolvedTypeValues, "%s    ResolvedType UNKNOWN_CONSTANT\n");

const char *const kHexLine48 = "%s                               x'%.8s%.32s%.32s%.24s'\n";

const Field kMqodFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s ObjectType (MQLONG)         : %d\n", 8).withNames(kObjectType),
    CharField("%s ObjectName (MQCHAR48)       : '%.4s%.16s%.16s%.12s'\n", kHexLine48, 12, 48),
    CharField("%s ObjectQMgrName (MQCHAR48)   : '%.4s%.16s%.16s%.12s'\n", kHexLine48, 60, 48),
    CharField("%s DynamicQName (MQCHAR48)     : '%.4s%.16s%.16s%.12s'\n", kHexLine48, 108, 48),
    CharField("%s AlternateUserId (MQCHAR12)  : '%.4s%.8s'\n", "%s                               x'%.8s%.16s'\n",
              156, 12),

    LongField("%s RecsPresent (MQLONG)        : %d\n", 168).from(2),
    LongField("%s KnownDestCount (MQLONG)     : %d\n", 172).from(2),
    LongField("%s UnknownDestCount (MQLONG)   : %d\n", 176).from(2),
    LongField("%s InvalidDestCount (MQLONG)   : %d\n", 180).from(2),
    LongField("%s ObjectRecOffset (MQLONG)    : %d\n", 184).from(2),
    LongField("%s ResponseRecOffset (MQLONG)  : %d\n", 188).from(2),
    PointerField("%s ObjectRecPtr (MQPTR)        : x'%.8s'\n", "%s ObjectRecPtr (MQPTR)        : x'%.16s'\n", 192,
                 192).from(2),
    PointerField("%s ResponseRecPtr (MQPTR)      : x'%.8s'\n", "%s ResponseRecPtr (MQPTR)      : x'%.16s'\n", 196,
                 200).from(2),

    // AlternateSecurityId: its first byte is the identifier's length, its
    // second the identifier's type.
    HexField("%s AlternateSecurityId (MQBYTE40)     : x'%.16s%.32s%.32s'\n", 200, 40).from(3).only4(),
    OctetField("%s String length in 1st byte          : %d\n", 200).from(3).only4(),
    OctetHexField("%s Security Identier Type in 2nd byte : x'%.2s'\n", 201).withNames(kSecurityIdType).from(3).only4(),
    CharField("%s String in last 38 bytes            : x'%.6s%.16s%.16s'\n", nullptr, 202, 38).from(3).only4(),
    HexField("%s AlternateSecurityId (MQBYTE40)     : x'%.32s%.32s%.16s'\n", 208, 40).from(3).only8(),
    OctetField("%s Length in 1st byte                 : %d\n", 208).from(3).only8(),
    OctetHexField("%s Security Identier Type in 2nd byte : x'%.2s'\n", 209).withNames(kSecurityIdType).from(3).only8(),
    CharField("%s String in last 38 bytes            : x'%.14s%.16s%.8s'\n", nullptr, 210, 38).from(3).only8(),

    CharField("%s ResolvedQName (MQCHAR48)    : '%.16s%.16s%.16s'\n", "%s                               x'%.32s%.32s%.32s'\n",
              240, 48).from(3).only4(),
    CharField("%s ResolvedQMgrName (MQCHAR48) : '%.16s%.16s%.16s'\n",
              "%s                               x'%.32s%.32s%.32s'\n", 288, 48).from(3).only4(),
    CharField("%s ResolvedQName (MQCHAR48)    : '%.8s%.16s%.16s%.8s'\n",
              "%s                               x'%.16s%.32s%.32s%.16s'\n", 248, 48).from(3).only8(),
    CharField("%s ResolvedQMgrName (MQCHAR48) : '%.8s%.16s%.16s%.8s'\n",
              "%s                               x'%.16s%.32s%.32s%.16s'\n", 296, 48).from(3).only8(),

    CharvField("%s ObjectString (MQCHARV) :\n", 336, 344).from(4),
    CharvField("%s SelectionString (MQCHARV) :\n", 356, 368).from(4),
    CharvField("%s ResObjectString (MQCHARV) :\n", 376, 392).from(4),
    LongField("%s ResolvedType (MQLONG)       : %d\n", 396).at8(416).withNames(kResolvedType).from(4),
};

int mqodRows(int version, int pointerLength)
{
    const bool p8 = pointerLength == 8;
    switch (version) {
    case 1: return 11;
    case 2: return 13;
    case 3: return p8 ? 22 : 21;
    case 4: return p8 ? 27 : 25;
    default: return 0;
    }
}

} // namespace

const StructKind kMqodKind = {
    .name = "Objdesc",
    .eyeCatcher = "OD  ",
    .capacity = 27,
    .parsesOn = kUnixOs | kWindowsOs | kZosOs,
    .anyLabel = false,
    .startLastLine = {12, 12, 12, 12},
    .eyeCatcherLastLine = 12,
    .rowsNeeded = mqodRows,
    .header = "%s Objdesc expanded (all fields):\n",
    .fields = kMqodFields,
    .fieldCount = std::size(kMqodFields),
};
