// Message descriptor: field layout of versions 1 and 2 and its constant names.

#include <cstring>

#include <iterator>

#include "render.h"

namespace {

const MaskLine kReportTests[] = {
    group(0x07000000, 0x03000000, "%s    Report MQRO_EXCEPTION_WITH_DATA\n"),
    bit(0x07000000, "%s    Report MQRO_EXCEPTION_WITH_FULL_DATA\n"),
    group(0x07000000, 0x01000000, "%s    Report MQRO_EXCEPTION\n"),
    group(0x00E00000, 0x00600000, "%s    Report MQRO_EXPIRATION_WITH_DATA\n"),
    bit(0x00E00000, "%s    Report MQRO_EXPIRATION_WITH_FULL_DATA\n"),
    group(0x00E00000, 0x00200000, "%s    Report MQRO_EXPIRATION\n"),
    group(0x00000700, 0x00000300, "%s    Report MQRO_COA_WITH_DATA\n"),
    bit(0x00000700, "%s    Report MQRO_COA_WITH_FULL_DATA\n"),
    group(0x00000700, 0x00000100, "%s    Report MQRO_COA\n"),
    group(0x00003800, 0x00001800, "%s    Report MQRO_COD_WITH_DATA\n"),
    bit(0x00003800, "%s    Report MQRO_COD_WITH_FULL_DATA\n"),
    group(0x00003800, 0x00000800, "%s    Report MQRO_COD\n"),
    bit(0x00000001, "%s    Report MQRO_PAN\n"),
    bit(0x00000002, "%s    Report MQRO_NAN\n"),
    bit(0x00000004, "%s    Report MQRO_ACTIVITY\n"),
    bit(0x00000080, "%s    Report MQRO_PASS_MSG_ID\n"),
    bit(0x00000040, "%s    Report MQRO_PASS_CORREL_ID\n"),
    bit(0x08000000, "%s    Report MQRO_DISCARD_MSG\n"),
    bit(0x00004000, "%s    Report MQRO_PASS_DISCARD_AND_EXPIRY\n"),
};
const char *const kReportZero[] = {"%s    Report MQRO_NONE\n"};
constexpr ConstantNames kReport = masked(kReportTests, kReportZero);

const NamedLine kMsgTypeValues[] = {
    {1, "%s    MsgType MQMT_REQUEST\n"},
    {2, "%s    MsgType MQMT_REPLY\n"},
    {4, "%s    MsgType MQMT_REPORT\n"},
    {8, "%s    MsgType MQMT_DATAGRAM\n"},
    {112, "%s    MsgType MQMT_MQE_FIELDS_FROM_MQE\n"},
    {113, "%s    MsgType MQMT_MQE_FIELDS\n"},
};
constexpr ConstantNames kMsgType = equality(kMsgTypeValues, "%s    MsgType UNKNOWN_CONSTANT\n");

const NamedLine kExpiryValues[] = {{-1, "%s    Expiry MQEI_UNLIMITTED\n"}};
constexpr ConstantNames kExpiry = equality(kExpiryValues);

const NamedLine kFeedbackValues[] = {
    {0, "%s    Feedback MQFB_NONE\n"},
    {256, "%s    Feedback MQFB_QUIT\n"},
    {258, "%s    Feedback MQFB_EXPIRATION\n"},
    {259, "%s    Feedback MQFB_COA\n"},
    {260, "%s    Feedback MQFB_COD\n"},
    {262, "%s    Feedback MQFB_CHANNEL_COMPLETED\n"},
    {263, "%s    Feedback MQFB_CHANNEL_FAIL_RETRY\n"},
    {264, "%s    Feedback MQFB_CHANNEL_FAIL\n"},
    {265, "%s    Feedback MQFB_APPL_CANNOT_BE_STARTED\n"},
    {266, "%s    Feedback MQFB_TM_ERROR\n"},
    {267, "%s    Feedback MQFB_APPL_TYPE_ERROR\n"},
    {268, "%s    Feedback MQFB_STOPPED_BY_MSG_EXIT\n"},
    {269, "%s    Feedback MQFB_ACTIVITY\n"},
    {271, "%s    Feedback MQFB_XMIT_Q_MSG_ERROR\n"},
    {275, "%s    Feedback MQFB_PAN\n"},
    {276, "%s    Feedback MQFB_NAN\n"},
    {277, "%s    Feedback MQFB_STOPPED_BY_CHAD_EXIT\n"},
    {279, "%s    Feedback MQFB_STOPPED_BY_PUBSUB_EXIT\n"},
    {280, "%s    Feedback MQFB_NOT_A_REPOSITORY_MSG\n"},
    {281, "%s    Feedback MQFB_BIND_OPEN_CLUSRCVR_DEL\n"},
    {282, "%s    Feedback MQFB_MAX_ACTIVITIES\n"},
    {283, "%s    Feedback MQFB_NOT_FORWARDED\n"},
    {284, "%s    Feedback MQFB_NOT_DELIVERED\n"},
    {285, "%s    Feedback MQFB_UNSUPPORTED_FORWARDING\n"},
    {286, "%s    Feedback MQFB_UNSUPPORTED_DELIVERY\n"},
    {291, "%s    Feedback MQFB_DATA_LENGTH_ZERO\n"},
    {292, "%s    Feedback MQFB_DATA_LENGTH_NEGATIVE\n"},
    {293, "%s    Feedback MQFB_DATA_LENGTH_TOO_BIG\n"},
    {294, "%s    Feedback MQFB_BUFFER_OVERFLOW\n"},
    {295, "%s    Feedback MQFB_LENGTH_OFF_BY_ONE\n"},
    {296, "%s    Feedback MQFB_IIH_ERROR\n"},
    {298, "%s    Feedback MQFB_NOT_AUTHORIZED_FOR_IMS\n"},
    {300, "%s    Feedback MQFB_IMS_ERROR\n"},
    {301, "%s    Feedback MQFB_IMS_FIRST\n"},
    {399, "%s    Feedback MQFB_IMS_LAST\n"},
    {401, "%s    Feedback MQFB_CICS_INTERNAL_ERROR\n"},
    {402, "%s    Feedback MQFB_CICS_NOT_AUTHORIZED\n"},
    {403, "%s    Feedback MQFB_CICS_BRIDGE_FAILURE\n"},
    {404, "%s    Feedback MQFB_CICS_CORREL_ID_ERROR\n"},
    {405, "%s    Feedback MQFB_CICS_CCSID_ERROR\n"},
    {406, "%s    Feedback MQFB_CICS_ENCODING_ERROR\n"},
    {407, "%s    Feedback MQFB_CICS_CIH_ERROR\n"},
    {408, "%s    Feedback MQFB_CICS_UOW_ERROR\n"},
    {409, "%s    Feedback MQFB_CICS_COMMAREA_ERROR\n"},
    {410, "%s    Feedback MQFB_CICS_APPL_NOT_STARTED\n"},
    {411, "%s    Feedback MQFB_CICS_APPL_ABENDED\n"},
    {412, "%s    Feedback MQFB_CICS_DLQ_ERROR\n"},
    {413, "%s    Feedback MQFB_CICS_UOW_BACKED_OUT\n"},
    {501, "%s    Feedback MQFB_PUBLICATIONS_ON_REQUEST\n"},
    {502, "%s    Feedback MQFB_SUBSCRIBER_IS_PUBLISHER\n"},
    {503, "%s    Feedback MQFB_MSG_SCOPE_MISMATCH\n"},
    {504, "%s    Feedback MQFB_SELECTOR_MISMATCH\n"},
    {505, "%s    Feedback MQFB_NOT_A_GROUPUR_MSG\n"},
    {600, "%s    Feedback MQFB_IMS_NACK_1A_REASON_FIRST\n"},
    {855, "%s    Feedback MQFB_IMS_NACK_1A_REASON_LAST\n"},
    {2030, "%s    Feedback MQRC_MSG_TOO_BIG_FOR_Q\n"},
    {2031, "%s    Feedback MQRC_MSG_TOO_BIG_FOR_Q_MGR\n"},
    {2035, "%s    Feedback MQRC_NOT_AUTHORIZED\n"},
    {2048, "%s    Feedback MQRC_PERSISTENT_NOT_ALLOWED\n"},
    {2051, "%s    Feedback MQRC_PUT_INHIBITED\n"},
    {2053, "%s    Feedback MQRC_Q_FULL\n"},
    {2056, "%s    Feedback MQRC_Q_SPACE_NOT_AVAILABLE\n"},
};
constexpr ConstantNames kFeedback = equality(kFeedbackValues, "%s    Feedback UNKNOWN_CONSTANT\n");

const MaskLine kEncodingTests[] = {
    group(0x0F, 0x0, "%s    Encoding MQENC_INTEGER_UNDEFINED\n"),
    group(0x0F, 0x1, "%s    Encoding MQENC_INTEGER_NORMAL\n"),
    group(0x0F, 0x2, "%s    Encoding MQENC_INTEGER_REVERSED\n"),
    group(0xF0, 0x00, "%s    Encoding MQENC_DECIMAL_UNDEFINED\n"),
    group(0xF0, 0x10, "%s    Encoding MQENC_DECIMAL_NORMAL\n"),
    group(0xF0, 0x20, "%s    Encoding MQENC_DECIMAL_REVERSED\n"),
    group(0xF00, 0x000, "%s    Encoding MQENC_FLOAT_UNDEFINED\n"),
    group(0xF00, 0x100, "%s    Encoding MQENC_FLOAT_IEEE_NORMAL\n"),
    group(0xF00, 0x200, "%s    Encoding MQENC_FLOAT_IEEE_REVERSED\n"),
    group(0xF00, 0x300, "%s    Encoding MQENC_FLOAT_S390\n"),
    group(0xF00, 0x400, "%s    Encoding MQENC_FLOAT_TNS\n"),
};
constexpr ConstantNames kEncoding = masked(kEncodingTests);

const NamedLine kCcsidValues[] = {
    {-4, "%s    CodedCharSetId MQCCSI_AS_PUBLISHED\n"},
    {-3, "%s    CodedCharSetId MQCCSI_APPL\n"},
    {-2, "%s    CodedCharSetId MQCCSI_INHERIT\n"},
    {-1, "%s    CodedCharSetId MQCCSI_EMBEDDED\n"},
    {0, "%s    CodedCharSetId MQCCSI_UNDEFINED\n"},
    {0, "%s    CodedCharSetId MQCCSI_DEFAULT\n"},
    {0, "%s    CodedCharSetId MQCCSI_Q_MGR\n"},
};
constexpr ConstantNames kCcsid = equality(kCcsidValues);

const NamedLine kPriorityValues[] = {
    {-1, "%s    Priority MQPRI_PRIORITY_AS_Q_DEF\n"},
    {-1, "%s    Priority MQPRI_PRIORITY_AS_TOPIC_DEF\n"},
    {-2, "%s    Priority MQPRI_PRIORITY_AS_PARENT\n"},
    {-3, "%s    Priority MQPRI_PRIORITY_AS_PUBLISHED\n"},
};
constexpr ConstantNames kPriority = equality(kPriorityValues);

const NamedLine kPersistenceValues[] = {
    {-1, "%s    Persistence MQPER_PERSISTENCE_AS_PARENT\n"},
    {0, "%s    Persistence MQPER_NOT_PERSISTENT\n"},
    {1, "%s    Persistence MQPER_PERSISTENT\n"},
    {2, "%s    Persistence MQPER_PERSISTENCE_AS_Q_DEF\n"},
    {2, "%s    Persistence MQPER_PERSISTENCE_AS_TOPIC_DEF\n"},
};
constexpr ConstantNames kPersistence = equality(kPersistenceValues, "%s    Persistence UNKNOWN_CONSTANT\n");

const NamedLine kPutApplTypeValues[] = {
    {-1, "%s    PutApplType MQAT_UNKNOWN\n"},
    {0, "%s    PutApplType MQAT_NO_CONTEXT\n"},
    {1, "%s    PutApplType MQAT_CICS\n"},
    {2, "%s    PutApplType MQAT_MVS\n"},
    {2, "%s    PutApplType MQAT_OS390\n"},
    {2, "%s    PutApplType MQAT_ZOS\n"},
    {3, "%s    PutApplType MQAT_IMS\n"},
    {4, "%s    PutApplType MQAT_OS2\n"},
    {5, "%s    PutApplType MQAT_DOS\n"},
    {6, "%s    PutApplType MQAT_AIX\n"},
    {6, "%s    PutApplType MQAT_UNIX\n"},
    {7, "%s    PutApplType MQAT_QMGR\n"},
    {8, "%s    PutApplType MQAT_OS400\n"},
    {9, "%s    PutApplType MQAT_WINDOWS\n"},
    {10, "%s    PutApplType MQAT_CICS_VSE\n"},
    {11, "%s    PutApplType MQAT_WINDOWS_NT\n"},
    {12, "%s    PutApplType MQAT_VMS\n"},
    {13, "%s    PutApplType MQAT_GUARDIAN\n"},
    {13, "%s    PutApplType MQAT_NSK\n"},
    {14, "%s    PutApplType MQAT_VOS\n"},
    {15, "%s    PutApplType MQAT_OPEN_TP1\n"},
    {19, "%s    PutApplType MQAT_IMS_BRIDGE\n"},
    {20, "%s    PutApplType MQAT_XCF\n"},
    {21, "%s    PutApplType MQAT_CICS_BRIDGE\n"},
    {22, "%s    PutApplType MQAT_NOTES_AGENT\n"},
    {23, "%s    PutApplType MQAT_TPF\n"},
    {25, "%s    PutApplType MQAT_USER\n"},
    {26, "%s    PutApplType MQAT_BROKER\n"},
    {26, "%s    PutApplType MQAT_QMGR_PUBLISH\n"},
    {28, "%s    PutApplType MQAT_JAVA\n"},
    {29, "%s    PutApplType MQAT_DQM\n"},
    {30, "%s    PutApplType MQAT_CHANNEL_INITIATOR\n"},
    {31, "%s    PutApplType MQAT_WLM\n"},
    {32, "%s    PutApplType MQAT_BATCH\n"},
    {33, "%s    PutApplType MQAT_RRS_BATCH\n"},
    {34, "%s    PutApplType MQAT_SIB\n"},
    {35, "%s    PutApplType MQAT_SYSTEM_EXTENSION\n"},
    {36, "%s    PutApplType MQAT_MCAST_PUBLISH\n"},
    {37, "%s    PutApplType MQAT_AMQP\n"},
};
constexpr ConstantNames kPutApplType = equality(kPutApplTypeValues, "%s    PutApplType UNKNOWN_CONSTANT\n");

const MaskLine kMsgFlagsTests[] = {
    bit(0x1, "%s    MsgFlags MQMF_SEGMENTATION_ALLOWED\n"),
    bit(0x2, "%s    MsgFlags MQMF_SEGMENT\n"),
    bit(0x4, "%s    MsgFlags MQMF_LAST_SEGMENT\n"),
    bit(0x8, "%s    MsgFlags MQMF_MSG_IN_GROUP\n"),
    bit(0x10, "%s    MsgFlags MQMF_LAST_MSG_IN_GROUP\n"),
    anyOf(0xFFFFFFE0, "%s    MsgFlags UNKNOWN_CONSTANT in range 0xFFFFFFE0\n"),
};
const char *const kMsgFlagsZero[] = {"%s    MsgFlags MQMF_NONE\n", "%s    MsgFlags MQMF_SEGMENTATION_INHIBITED\n"};
constexpr ConstantNames kMsgFlags = masked(kMsgFlagsTests, kMsgFlagsZero);

const NamedLine kOriginalLengthValues[] = {{-1, "%s    OriginalLength MQOL_UNDEFINED\n"}};
constexpr ConstantNames kOriginalLength = equality(kOriginalLengthValues);

const Field kMqmdFields[] = {
    CharField("%s StrucId (CHAR4)             : '%.4s'\n", kHexLine4, 0, 4),
    VersionField("%s Version (MQLONG)            : %d\n"),
    LongField("%s Report (MQLONG)             : %d\n", 8).withNames(kReport),
    LongField("%s MsgType (MQLONG)            : %d\n", 12).withNames(kMsgType),
    LongField("%s Expiry (MQLONG)             : %d\n", 16).withNames(kExpiry),
    LongField("%s Feedback (MQLONG)           : %d\n", 20).withNames(kFeedback),
    LongField("%s Encoding (MQLONG)           : %d\n", 24).withNames(kEncoding),
    LongField("%s CodedCharSetId (MQLONG)     : %d\n", 28).withNames(kCcsid),
    CharField("%s Format (CHAR8)              : '%.8s'\n", kHexLine8, 32, 8),
    LongField("%s Priority (MQLONG)           : %d\n", 40).withNames(kPriority),
    LongField("%s Persistence (MQLONG)        : %d\n", 44).withNames(kPersistence),
    HexField("%s MsgId (BYTE24)              : x'%.32s%.16s'\n", 48, 24),
    HexField("%s CorrelId (BYTE24)           : x'%.16s%.32s'\n", 72, 24),
    LongField("%s BackoutCount (MQLONG)       : %d\n", 96),
    CharField("%s ReplyToQ (MQCHAR48)         : '%.12s%.16s%.16s%.4s'\n",
              "%s                               x'%.24s%.32s%.32s%.8s'\n", 100, 48),
    CharField("%s ReplyToQMgr (MQCHAR48)      : '%.12s%.16s%.16s%.4s'\n",
              "%s                               x'%.24s%.32s%.32s%.8s'\n", 148, 48),
    CharField("%s UserIdentifier (CHAR12)     : '%.12s'\n", "%s                               x'%.24s'\n", 196, 12),
    HexField("%s AccountingToken (BYTE32)    : x'%.32s%.32s'\n", 208, 32),
    CharField("%s ApplIdentityData (MQCHAR32) : '%.16s%.16s'\n", "%s                               x'%.32s%.32s'\n", 240,
              32),
    LongField("%s PutApplType (MQLONG)        : %d\n", 272).withNames(kPutApplType),
    CharField("%s PutApplName (MQCHAR28)      : '%.12s%.16s'\n", "%s                               x'%.24s%.32s'\n", 276,
              28),
    CharField("%s PutDate (MQCHAR8)           : '%.8s'\n", kHexLine8, 304, 8),
    CharField("%s PutTime (MQCHAR8)           : '%.8s'\n", kHexLine8, 312, 8),
    CharField("%s ApplOriginData (MQCHAR4)    : '%.4s'\n", kHexLine4, 320, 4),
    HexField("%s GroupId (BYTE24)            : x'%.24s%.24s'\n", 324, 24).from(2),
    LongField("%s MsgSeqNumber (MQLONG)       : %d\n", 348).from(2),
    LongField("%s Offset (MQLONG)             : %d\n", 352).from(2),
    LongField("%s MsgFlags (MQLONG)           : %d\n", 356).withNames(kMsgFlags).from(2),
    LongField("%s OriginalLength (MQLONG)     : %d\n", 360).withNames(kOriginalLength).from(2),
};

int mqmdRows(int version, int /*pointerLength*/) { return version < 2 ? 21 : 23; }

void keepMqmd(const ExpandContext &ctx)
{
    // Kept for the message-data analysis of this thread.
    std::memcpy(ctx.thread.mdFormat, ctx.rows[2].chars, 8);
    ctx.thread.mdFormat[8] = '\0';
    ctx.thread.mdCCSID = readLong(ctx, 28);
}

} // namespace

const StructKind kMqmdKind = {
    .name = "Msgdesc",
    .eyeCatcher = "MD  ",
    .capacity = 23,
    .parsesOn = kAnyOs,
    .anyLabel = false,
    .startLastLine = {22, 22, 22, 22},
    .eyeCatcherLastLine = 22,
    .rowsNeeded = mqmdRows,
    .header = "%s Msgdesc expanded (all fields):\n",
    .fields = kMqmdFields,
    .fieldCount = std::size(kMqmdFields),
    .after = keepMqmd,
};
