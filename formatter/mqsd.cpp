// Subscription descriptor: its field layout for both pointer lengths and
// its constant names.

#include <iterator>

#include "render.h"
#include "sharednames.h"

namespace {

const NamedLine kSubExpiryValues[] = {{-1, "%s    Expiry MQEI_UNLIMITTED\n"}};
constexpr ConstantNames kSubExpiry = equality(kSubExpiryValues);

const NamedLine kPubPriorityValues[] = {
    {-3, "%s    PubPriority MQPRI_PRIORITY_AS_PUBLISHED\n"},
    {-1, "%s    PubPriority MQPRI_PRIORITY_AS_Q_DEF\n"},
};
constexpr ConstantNames kPubPriority = equality(kPubPriorityValues);

const char *const kPadding = "%s StructurePadding (4 Bytes)  : '%.4s'\n";

const Field kMqsdFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s MQSD.Options= (MQLONG)      : %d\n", 8).withNames(kSubscriptionOptions),
    CharField("%s ObjectName (MQCHAR48)       : '%.4s%.16s%.16s%.12s'\n",
              "%s                               x'%.8s%.32s%.32s%.24s'\n", 12, 48),
    CharField("%s AlternateUserId (MQCHAR12)  : '%.4s%.8s'\n", "%s                               x'%.8s%.16s'\n", 60,
              12),
    CharField("%s AlternateSecurityId         : '%.8s%.16s%.16s'\n",
              "%s (MQBYTE40)                    x'%.16s%.32s%.32s'\n", 72, 40),
    LongField("%s SubExpiry (MQLONG)          : %d\n", 112).withNames(kSubExpiry),
    CharField(kPadding, kHexLine4, 116, 4).only8(),
    CharvField("%s ObjectString (MQCHARV) :\n", 116, 120),
    CharvField("%s SubName (MQCHARV) :\n", 136, 144),
    CharvField("%s SubUserData (MQCHARV) :\n", 156, 168),
    CharField("%s SubCorrelId (MQBYTE24)      : '%.16s%.8s'\n", "%s                               x'%.32s%.16s'\n",
              176, 24).at8(192),
    LongField("%s PubPriority (MQLONG)        : %d\n", 200).at8(216).withNames(kPubPriority),
    CharField("%s PubAccountingToken          : '%.4s%.16s%.12s'\n",
              "%s (MQBYTE32)                    x'%.8s%.32s%.24s'\n", 204, 32).at8(220),
    CharField("%s PubApplIdentityData         : '%.4s%.16s%.12s'\n",
              "%s (MQCHAR32)                    x'%.8s%.32s%.24s'\n", 236, 32).at8(252),
    CharField(kPadding, kHexLine4, 284, 4).only8(),
    CharvField("%s SelectionString (MQCHARV) :\n", 268, 288),
    LongField("%s SubLevel (MQLONG)           : %d\n", 288).at8(312),
    CharField(kPadding, kHexLine4, 316, 4).only8(),
    CharvField("%s ResObjectString (MQCHARV) :\n", 292, 320),
};

// 312 bytes with 4-byte pointers, 344 with 8-byte ones; a version of 0 or
// below keeps the trigger's count.
int mqsdRows(int version, int pointerLength)
{
    if (version <= 0)
        return 0;
    return pointerLength == 8 ? 22 : 20;
}

} // namespace

const StructKind kMqsdKind = {
    .name = "Subdesc",
    .eyeCatcher = "SD  ",
    .capacity = 22,
    .parsesOn = kAnyOs,
    .anyLabel = false,
    .startLastLine = {23, 24, -1, -1},
    .eyeCatcherLastLine = 20,
    .rowsNeeded = mqsdRows,
    .header = "%s Subdesc expanded (all fields):\n",
    .fields = kMqsdFields,
    .fieldCount = std::size(kMqsdFields),
};
