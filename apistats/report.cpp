// The report: the warnings header before the trace is read, and after the
// last line the per-thread tables and the whole-process summary.

#include "apistats.h"

namespace apistats {

namespace {

const char *const kBoxLine =
    "****************************************************************************************\n";

// Texts of one call kind's section.
struct Section {
    const char *title;
    const char *errorLine;
    const char *columns;
    const char *noRows;
    const char *summaryName;
    const char *summaryBytes; // null for kinds that move no bytes
};

const Section kSections[kKindCount] = {
    {"\nMQOPEN QUEUE STATS\n",
     "\nThe number of MQOPENs with missing begins or format errors was %lld\n",
     "Queue Name, HConn, Total Ok OPEN, Total Ok OPEN Elapsed Time, Avg Ok OPEN Elapsed Time, Total "
     "Warning/Failed OPEN, Total Warning/Failed OPEN Elapsed Time, Avg Warning/Failed OPEN Elapsed Time\n\n",
     "\nNo MQOPENs\n", "MQOPEN:\n", nullptr},
    {"\n\nMQCLOSE QUEUE STATS\n",
     "\nThe number of MQCLOSEs with missing begins or format errors was %lld\n",
     "HConn, Total Ok CLOSE, Total Ok CLOSE Elapsed Time, Avg Ok CLOSE Elapsed Time, Total Warning/Failed "
     "CLOSE, Total Warning/Failed CLOSE Elapsed Time, Avg Warning/Failed CLOSE Elapsed Time\n\n",
     "\nNo MQCLOSEs\n", "MQCLOSE:\n", nullptr},
    {"\n\nMQGET QUEUE STATS\n",
     "\nThe number of MQGETs with missing begins or format errors was %lld\n",
     "Queue Name, Total Ok GET, Total Ok GET Elapsed Time, Avg Ok GET Elapsed Time, Total Warning/Failed GET, "
     "Total Warning/Failed GET Elapsed Time, Avg Warning/Failed GET Elapsed Time, Total GET Bytes\n\n",
     "\nNo MQGETs\n", "MQGET:\n", "Total GET Bytes %lld\n\n"},
    {"\n\nMQPUT QUEUE STATS\n",
     "\nThe number of MQPUTs with missing begins or format errors was %lld\n",
     "Queue Name, Total Ok PUT, Total Ok PUT Elapsed Time, Avg Ok PUT Elapsed Time, Total Warning/Failed PUT, "
     "Total Warning/Failed PUT Elapsed Time, Avg Warning/Failed PUT Elapsed Time, Total PUT Bytes\n\n",
     "\nNo MQPUTs\n", "MQPUT:\n", "Total PUT Bytes %lld\n\n"},
    {"\n\nMQPUT1 QUEUE STATS\n",
     "\nThe number of MQPUT1s with missing begins or format errors was %lld\n",
     "Queue Name, Total Ok PUT1, Total Ok PUT1 Elapsed Time, Avg Ok PUT1 Elapsed Time, Total Warning/Failed "
     "PUT1, Total Warning/Failed PUT1 Elapsed Time, Avg Warning/Failed PUT1 Elapsed Time, Total PUT1 Bytes\n\n",
     "\nNo MQPUT1s\n", "MQPUT1:\n", "Total PUT1 Bytes %lld\n\n"},
};

// Sums of the complete calls of one kind over all threads.
struct KindTotals {
    long long okCount = 0;
    long long failCount = 0;
    double okElapsed = 0.0;
    double failElapsed = 0.0;
    long long bytes = 0;
};

double average(double elapsed, long long count)
{
    return count > 0 ? elapsed / static_cast<double>(count) : 0.0;
}

void writeRow(OutWriter &out, CallKind kind, const QueueStats &row)
{
    double okAvg = average(row.okElapsed, row.okCount);
    double failAvg = average(row.failElapsed, row.failCount);
    switch (kind) {
    case kOpen:
        out.print("%s %s %lld %012f %012f %lld %012f %012f\n", row.queueName, row.hConn, row.okCount,
                  row.okElapsed, okAvg, row.failCount, row.failElapsed, failAvg);
        break;
    case kClose:
        out.print("%s %lld %012f %012f %lld %012f %012f\n", row.hConn, row.okCount, row.okElapsed, okAvg,
                  row.failCount, row.failElapsed, failAvg);
        break;
    default:
        out.print("%s %lld %012f %012f %lld %012f %012f %lld\n", row.queueName, row.okCount, row.okElapsed,
                  okAvg, row.failCount, row.failElapsed, failAvg, row.bytes);
        break;
    }
}

} // namespace

void StatsRun::writeHeader()
{
    out_.print("%s", kBoxLine);
    out_.print("*  PARSING WARNING/ERRORS:                                                             *\n");
    out_.print("%s", kBoxLine);
}

void StatsRun::writeReport()
{
    const long long threadCount = static_cast<long long>(threads_.size());
    if (warningCount_ == 0)
        out_.print("none\n");
    if (threadCount > 1) {
        out_.print("\n\n");
        out_.print("%s", kBoxLine);
        out_.print("*   NOTE:  This report has multiple threads. Look at bottom of report for a summary.   *\n");
        out_.print("%s", kBoxLine);
    }

    KindTotals totals[kKindCount];
    for (const auto &thread : threads_.items()) {
        out_.print("\n\n");
        out_.print("%s", kBoxLine);
        out_.print("*   STATS FOR PID.TID %s\n", thread->key);
        out_.print("%s", kBoxLine);
        for (int k = 0; k < kKindCount; ++k) {
            const Section &section = kSections[k];
            const CallState &c = thread->calls[k];
            out_.print("%s", section.title);
            out_.print(section.errorLine, c.errorCount);
            if (c.rows.empty()) {
                out_.print("%s", section.noRows);
                continue;
            }
            out_.print("\nFollowing rows have columns as follows:\n");
            out_.print("%s", section.columns);
            for (const QueueStats &row : c.rows) {
                KindTotals &sum = totals[k];
                sum.okCount += row.okCount;
                sum.failCount += row.failCount;
                sum.okElapsed += row.okElapsed;
                sum.failElapsed += row.failElapsed;
                sum.bytes += row.bytes;
                writeRow(out_, static_cast<CallKind>(k), row);
            }
        }
    }

    if (threadCount <= 1)
        return;
    out_.print("\n\n");
    out_.print("%s", kBoxLine);
    out_.print("*   SUMMARY REPORT FOR ENTIRE PROCESS:                                                 *\n");
    out_.print("%s", kBoxLine);
    out_.print("Thread Count was %lld\n\n", threadCount);
    for (int k = 0; k < kKindCount; ++k) {
        const Section &section = kSections[k];
        const KindTotals &sum = totals[k];
        out_.print("%s", section.summaryName);
        out_.print("Total Ok %lld\n", sum.okCount);
        out_.print("Total Ok Elapsed Time %012f\n", sum.okElapsed);
        out_.print("Avg Ok Elapsed Time %012f\n", average(sum.okElapsed, sum.okCount));
        out_.print("Total Warning/Failed %lld\n", sum.failCount);
        out_.print("Total Warning/Failed Elapsed Time %012f\n", sum.failElapsed);
        if (section.summaryBytes == nullptr) {
            out_.print("Avg Warning/Failed Elapsed Time %012f\n\n", average(sum.failElapsed, sum.failCount));
        } else {
            out_.print("Avg Warning/Failed Elapsed Time %012f\n", average(sum.failElapsed, sum.failCount));
            out_.print(section.summaryBytes, sum.bytes);
        }
    }
}

} // namespace apistats
