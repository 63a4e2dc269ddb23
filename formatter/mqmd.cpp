// Message descriptor: field layout of versions 1 and 2 and its constant names.

#include <cstring>
#include <iterator>

#include "render.h"

namespace {

const MaskTest kReportTests[] = {
    {0x07000000, 0x03000000, "MQRO_EXCEPTION_WITH_DATA"},
    {0x07000000, 0x07000000, "MQRO_EXCEPTION_WITH_FULL_DATA"},
    {0x07000000, 0x01000000, "MQRO_EXCEPTION"},
    {0x00E00000, 0x00600000, "MQRO_EXPIRATION_WITH_DATA"},
    {0x00E00000, 0x00E00000, "MQRO_EXPIRATION_WITH_FULL_DATA"},
    {0x00E00000, 0x00200000, "MQRO_EXPIRATION"},
    {0x00000700, 0x00000300, "MQRO_COA_WITH_DATA"},
    {0x00000700, 0x00000700, "MQRO_COA_WITH_FULL_DATA"},
    {0x00000700, 0x00000100, "MQRO_COA"},
    {0x00003800, 0x00001800, "MQRO_COD_WITH_DATA"},
    {0x00003800, 0x00003800, "MQRO_COD_WITH_FULL_DATA"},
    {0x00003800, 0x00000800, "MQRO_COD"},
    {0x00000001, 0x00000001, "MQRO_PAN"},
    {0x00000002, 0x00000002, "MQRO_NAN"},
    {0x00000004, 0x00000004, "MQRO_ACTIVITY"},
    {0x00000080, 0x00000080, "MQRO_PASS_MSG_ID"},
    {0x00000040, 0x00000040, "MQRO_PASS_CORREL_ID"},
    {0x08000000, 0x08000000, "MQRO_DISCARD_MSG"},
    {0x00004000, 0x00004000, "MQRO_PASS_DISCARD_AND_EXPIRY"},
};
const char *const kReportZero[] = {"MQRO_NONE"};
const ConstantNames kReport{ConstantNames::Masked, nullptr, 0, false,
                            kReportTests, int(std::size(kReportTests)), kReportZero, 1};

const NamedValue kMsgTypeValues[] = {
    {1, "MQMT_REQUEST"}, {2, "MQMT_REPLY"}, {4, "MQMT_REPORT"}, {8, "MQMT_DATAGRAM"},
    {112, "MQMT_MQE_FIELDS_FROM_MQE"}, {113, "MQMT_MQE_FIELDS"},
};
const ConstantNames kMsgType{ConstantNames::Equality, kMsgTypeValues, int(std::size(kMsgTypeValues)), true};

const NamedValue kExpiryValues[] = {{-1, "MQEI_UNLIMITTED"}};
const ConstantNames kExpiry{ConstantNames::Equality, kExpiryValues, 1, false};

const NamedValue kFeedbackValues[] = {
    {0, "MQFB_NONE"},
    {256, "MQFB_QUIT"},
    {258, "MQFB_EXPIRATION"},
    {259, "MQFB_COA"},
    {260, "MQFB_COD"},
    {262, "MQFB_CHANNEL_COMPLETED"},
    {263, "MQFB_CHANNEL_FAIL_RETRY"},
    {264, "MQFB_CHANNEL_FAIL"},
    {265, "MQFB_APPL_CANNOT_BE_STARTED"},
    {266, "MQFB_TM_ERROR"},
    {267, "MQFB_APPL_TYPE_ERROR"},
    {268, "MQFB_STOPPED_BY_MSG_EXIT"},
    {269, "MQFB_ACTIVITY"},
    {271, "MQFB_XMIT_Q_MSG_ERROR"},
    {275, "MQFB_PAN"},
    {276, "MQFB_NAN"},
    {277, "MQFB_STOPPED_BY_CHAD_EXIT"},
    {279, "MQFB_STOPPED_BY_PUBSUB_EXIT"},
    {280, "MQFB_NOT_A_REPOSITORY_MSG"},
    {281, "MQFB_BIND_OPEN_CLUSRCVR_DEL"},
    {282, "MQFB_MAX_ACTIVITIES"},
    {283, "MQFB_NOT_FORWARDED"},
    {284, "MQFB_NOT_DELIVERED"},
    {285, "MQFB_UNSUPPORTED_FORWARDING"},
    {286, "MQFB_UNSUPPORTED_DELIVERY"},
    {291, "MQFB_DATA_LENGTH_ZERO"},
    {292, "MQFB_DATA_LENGTH_NEGATIVE"},
    {293, "MQFB_DATA_LENGTH_TOO_BIG"},
    {294, "MQFB_BUFFER_OVERFLOW"},
    {295, "MQFB_LENGTH_OFF_BY_ONE"},
    {296, "MQFB_IIH_ERROR"},
    {298, "MQFB_NOT_AUTHORIZED_FOR_IMS"},
    {300, "MQFB_IMS_ERROR"},
    {301, "MQFB_IMS_FIRST"},
    {399, "MQFB_IMS_LAST"},
    {401, "MQFB_CICS_INTERNAL_ERROR"},
    {402, "MQFB_CICS_NOT_AUTHORIZED"},
    {403, "MQFB_CICS_BRIDGE_FAILURE"},
    {404, "MQFB_CICS_CORREL_ID_ERROR"},
    {405, "MQFB_CICS_CCSID_ERROR"},
    {406, "MQFB_CICS_ENCODING_ERROR"},
    {407, "MQFB_CICS_CIH_ERROR"},
    {408, "MQFB_CICS_UOW_ERROR"},
    {409, "MQFB_CICS_COMMAREA_ERROR"},
    {410, "MQFB_CICS_APPL_NOT_STARTED"},
    {411, "MQFB_CICS_APPL_ABENDED"},
    {412, "MQFB_CICS_DLQ_ERROR"},
    {413, "MQFB_CICS_UOW_BACKED_OUT"},
    {501, "MQFB_PUBLICATIONS_ON_REQUEST"},
    {502, "MQFB_SUBSCRIBER_IS_PUBLISHER"},
    {503, "MQFB_MSG_SCOPE_MISMATCH"},
    {504, "MQFB_SELECTOR_MISMATCH"},
    {505, "MQFB_NOT_A_GROUPUR_MSG"},
    {600, "MQFB_IMS_NACK_1A_REASON_FIRST"},
    {855, "MQFB_IMS_NACK_1A_REASON_LAST"},
    {2030, "MQRC_MSG_TOO_BIG_FOR_Q"},
    {2031, "MQRC_MSG_TOO_BIG_FOR_Q_MGR"},
    {2035, "MQRC_NOT_AUTHORIZED"},
    {2048, "MQRC_PERSISTENT_NOT_ALLOWED"},
    {2051, "MQRC_PUT_INHIBITED"},
    {2053, "MQRC_Q_FULL"},
    {2056, "MQRC_Q_SPACE_NOT_AVAILABLE"},
};
const ConstantNames kFeedback{ConstantNames::Equality, kFeedbackValues, int(std::size(kFeedbackValues)), true};

const MaskTest kEncodingTests[] = {
    {0x0F, 0x0, "MQENC_INTEGER_UNDEFINED"},
    {0x0F, 0x1, "MQENC_INTEGER_NORMAL"},
    {0x0F, 0x2, "MQENC_INTEGER_REVERSED"},
    {0xF0, 0x00, "MQENC_DECIMAL_UNDEFINED"},
    {0xF0, 0x10, "MQENC_DECIMAL_NORMAL"},
    {0xF0, 0x20, "MQENC_DECIMAL_REVERSED"},
    {0xF00, 0x000, "MQENC_FLOAT_UNDEFINED"},
    {0xF00, 0x100, "MQENC_FLOAT_IEEE_NORMAL"},
    {0xF00, 0x200, "MQENC_FLOAT_IEEE_REVERSED"},
    {0xF00, 0x300, "MQENC_FLOAT_S390"},
    {0xF00, 0x400, "MQENC_FLOAT_TNS"},
};
const ConstantNames kEncoding{ConstantNames::Masked, nullptr, 0, false,
                              kEncodingTests, int(std::size(kEncodingTests)), nullptr, 0};

const NamedValue kCcsidValues[] = {
    {-4, "MQCCSI_AS_PUBLISHED"}, {-3, "MQCCSI_APPL"}, {-2, "MQCCSI_INHERIT"}, {-1, "MQCCSI_EMBEDDED"},
    {0, "MQCCSI_UNDEFINED"}, {0, "MQCCSI_DEFAULT"}, {0, "MQCCSI_Q_MGR"},
};
const ConstantNames kCcsid{ConstantNames::Equality, kCcsidValues, int(std::size(kCcsidValues)), false};

const NamedValue kPriorityValues[] = {
    {-1, "MQPRI_PRIORITY_AS_Q_DEF"}, {-1, "MQPRI_PRIORITY_AS_TOPIC_DEF"},
    {-2, "MQPRI_PRIORITY_AS_PARENT"}, {-3, "MQPRI_PRIORITY_AS_PUBLISHED"},
};
const ConstantNames kPriority{ConstantNames::Equality, kPriorityValues, int(std::size(kPriorityValues)), false};

const NamedValue kPersistenceValues[] = {
    {-1, "MQPER_PERSISTENCE_AS_PARENT"}, {0, "MQPER_NOT_PERSISTENT"}, {1, "MQPER_PERSISTENT"},
    {2, "MQPER_PERSISTENCE_AS_Q_DEF"}, {2, "MQPER_PERSISTENCE_AS_TOPIC_DEF"},
};
const ConstantNames kPersistence{ConstantNames::Equality, kPersistenceValues, int(std::size(kPersistenceValues)), true};

const NamedValue kPutApplTypeValues[] = {
    {-1, "MQAT_UNKNOWN"},
    {0, "MQAT_NO_CONTEXT"},
    {1, "MQAT_CICS"},
    {2, "MQAT_MVS"}, {2, "MQAT_OS390"}, {2, "MQAT_ZOS"},
    {3, "MQAT_IMS"},
    {4, "MQAT_OS2"},
    {5, "MQAT_DOS"},
    {6, "MQAT_AIX"}, {6, "MQAT_UNIX"},
    {7, "MQAT_QMGR"},
    {8, "MQAT_OS400"},
    {9, "MQAT_WINDOWS"},
    {10, "MQAT_CICS_VSE"},
    {11, "MQAT_WINDOWS_NT"},
    {12, "MQAT_VMS"},
    {13, "MQAT_GUARDIAN"}, {13, "MQAT_NSK"},
    {14, "MQAT_VOS"},
    {15, "MQAT_OPEN_TP1"},
    {19, "MQAT_IMS_BRIDGE"},
    {20, "MQAT_XCF"},
    {21, "MQAT_CICS_BRIDGE"},
    {22, "MQAT_NOTES_AGENT"},
    {23, "MQAT_TPF"},
    {25, "MQAT_USER"},
    {26, "MQAT_BROKER"}, {26, "MQAT_QMGR_PUBLISH"},
    {28, "MQAT_JAVA"},
    {29, "MQAT_DQM"},
    {30, "MQAT_CHANNEL_INITIATOR"},
    {31, "MQAT_WLM"},
    {32, "MQAT_BATCH"},
    {33, "MQAT_RRS_BATCH"},
    {34, "MQAT_SIB"},
    {35, "MQAT_SYSTEM_EXTENSION"},
    {36, "MQAT_MCAST_PUBLISH"},
    {37, "MQAT_AMQP"},
};
const ConstantNames kPutApplType{ConstantNames::Equality, kPutApplTypeValues, int(std::size(kPutApplTypeValues)), true};

const MaskTest kMsgFlagsTests[] = {
    {0x1, 0x1, "MQMF_SEGMENTATION_ALLOWED"},
    {0x2, 0x2, "MQMF_SEGMENT"},
    {0x4, 0x4, "MQMF_LAST_SEGMENT"},
    {0x8, 0x8, "MQMF_MSG_IN_GROUP"},
    {0x10, 0x10, "MQMF_LAST_MSG_IN_GROUP"},
    {0xFFFFFFE0, 0, "UNKNOWN_CONSTANT in range 0xFFFFFFE0", true},
};
const char *const kMsgFlagsZero[] = {"MQMF_NONE", "MQMF_SEGMENTATION_INHIBITED"};
const ConstantNames kMsgFlags{ConstantNames::Masked, nullptr, 0, false,
                              kMsgFlagsTests, int(std::size(kMsgFlagsTests)), kMsgFlagsZero, 2};

const NamedValue kOriginalLengthValues[] = {{-1, "MQOL_UNDEFINED"}};
const ConstantNames kOriginalLength{ConstantNames::Equality, kOriginalLengthValues, 1, false};

// Continuation lines of character fields, by length and pieces.
const char *const kHex8 = "%s                               x'%.8s'\n";
const char *const kHex16 = "%s                               x'%.16s'\n";

const Field kMqmdFields[] = {
    {"%s StrucId (CHAR4)             : '%.4s'\n", kHex8, FieldType::Char, 0, 4, "StrucId", nullptr, 1},
    {"%s Version (MQLONG)            : %d\n", nullptr, FieldType::Version, 4, 4, "Version", nullptr, 1},
    {"%s Report (MQLONG)             : %d\n", nullptr, FieldType::Long, 8, 4, "Report", &kReport, 1},
    {"%s MsgType (MQLONG)            : %d\n", nullptr, FieldType::Long, 12, 4, "MsgType", &kMsgType, 1},
    {"%s Expiry (MQLONG)             : %d\n", nullptr, FieldType::Long, 16, 4, "Expiry", &kExpiry, 1},
    {"%s Feedback (MQLONG)           : %d\n", nullptr, FieldType::Long, 20, 4, "Feedback", &kFeedback, 1},
    {"%s Encoding (MQLONG)           : %d\n", nullptr, FieldType::Long, 24, 4, "Encoding", &kEncoding, 1},
    {"%s CodedCharSetId (MQLONG)     : %d\n", nullptr, FieldType::Long, 28, 4, "CodedCharSetId", &kCcsid, 1},
    {"%s Format (CHAR8)              : '%.8s'\n", kHex16, FieldType::Char, 32, 8, "Format", nullptr, 1},
    {"%s Priority (MQLONG)           : %d\n", nullptr, FieldType::Long, 40, 4, "Priority", &kPriority, 1},
    {"%s Persistence (MQLONG)        : %d\n", nullptr, FieldType::Long, 44, 4, "Persistence", &kPersistence, 1},
    {"%s MsgId (BYTE24)              : x'%.32s%.16s'\n", nullptr, FieldType::Byte, 48, 24, "MsgId", nullptr, 1},
    {"%s CorrelId (BYTE24)           : x'%.16s%.32s'\n", nullptr, FieldType::Byte, 72, 24, "CorrelId", nullptr, 1},
    {"%s BackoutCount (MQLONG)       : %d\n", nullptr, FieldType::Long, 96, 4, "BackoutCount", nullptr, 1},
    {"%s ReplyToQ (MQCHAR48)         : '%.12s%.16s%.16s%.4s'\n",
     "%s                               x'%.24s%.32s%.32s%.8s'\n", FieldType::Char, 100, 48, "ReplyToQ", nullptr, 1},
    {"%s ReplyToQMgr (MQCHAR48)      : '%.12s%.16s%.16s%.4s'\n",
     "%s                               x'%.24s%.32s%.32s%.8s'\n", FieldType::Char, 148, 48, "ReplyToQMgr", nullptr, 1},
    {"%s UserIdentifier (CHAR12)     : '%.12s'\n",
     "%s                               x'%.24s'\n", FieldType::Char, 196, 12, "UserIdentifier", nullptr, 1},
    {"%s AccountingToken (BYTE32)    : x'%.32s%.32s'\n", nullptr, FieldType::Byte, 208, 32, "AccountingToken", nullptr, 1},
    {"%s ApplIdentityData (MQCHAR32) : '%.16s%.16s'\n",
     "%s                               x'%.32s%.32s'\n", FieldType::Char, 240, 32, "ApplIdentityData", nullptr, 1},
    {"%s PutApplType (MQLONG)        : %d\n", nullptr, FieldType::Long, 272, 4, "PutApplType", &kPutApplType, 1},
    {"%s PutApplName (MQCHAR28)      : '%.12s%.16s'\n",
     "%s                               x'%.24s%.32s'\n", FieldType::Char, 276, 28, "PutApplName", nullptr, 1},
    {"%s PutDate (MQCHAR8)           : '%.8s'\n", kHex16, FieldType::Char, 304, 8, "PutDate", nullptr, 1},
    {"%s PutTime (MQCHAR8)           : '%.8s'\n", kHex16, FieldType::Char, 312, 8, "PutTime", nullptr, 1},
    {"%s ApplOriginData (MQCHAR4)    : '%.4s'\n", kHex8, FieldType::Char, 320, 4, "ApplOriginData", nullptr, 1},
    {"%s GroupId (BYTE24)            : x'%.24s%.24s'\n", nullptr, FieldType::Byte, 324, 24, "GroupId", nullptr, 2},
    {"%s MsgSeqNumber (MQLONG)       : %d\n", nullptr, FieldType::Long, 348, 4, "MsgSeqNumber", nullptr, 2},
    {"%s Offset (MQLONG)             : %d\n", nullptr, FieldType::Long, 352, 4, "Offset", nullptr, 2},
    {"%s MsgFlags (MQLONG)           : %d\n", nullptr, FieldType::Long, 356, 4, "MsgFlags", &kMsgFlags, 2},
    {"%s OriginalLength (MQLONG)     : %d\n", nullptr, FieldType::Long, 360, 4, "OriginalLength", &kOriginalLength, 2},
};

int mqmdRows(int version, int /*pointerLength*/) { return version < 2 ? 21 : 23; }

void expandMqmd(const ExpandContext &ctx)
{
    renderStructure(ctx, "Msgdesc", kMqmdFields, int(std::size(kMqmdFields)));
    // Kept for the message-data analysis of this thread.
    std::memcpy(ctx.thread.mdFormat, ctx.rows[2].chars, 8);
    ctx.thread.mdFormat[8] = '\0';
    ctx.thread.mdCCSID = readLong(ctx, 28);
}

} // namespace

const StructKind kMqmdKind = {"Msgdesc", "MD  ", 23, {22, 22, 22, 22}, mqmdRows, expandMqmd};
