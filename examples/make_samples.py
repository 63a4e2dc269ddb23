#!/usr/bin/env python3
"""Writes the windows, zos and aat sample traces of this folder.

    python3 examples/make_samples.py [FOLDER]      (default: this script's folder)

The traces are made up: hand-scripted applications whose calls are written
in the shapes that each system's trace shows, with invented queue managers,
queues, users and messages. The same files come out on every run (fixed
seed). Only the Python standard library is used.

  AMQ2244.0.FMT           windows, "Address    Offset   00 01 02 ..." layout
  AMQ7308.0.FMT           windows, "Offset     +0 +1 +2 ..." layout
  BILLRUN1.TRACE          zos (big endian, EBCDIC text)
  INVOICER.ACTIVITY.TXT   application activity trace
"""

import os
import random
import struct
import sys

# --------------------------------------------------------------------------
# Structures. `e` is the struct byte order ('<' or '>'), `enc` the code page
# of the character fields, `ptr` the pointer length in bytes.
# --------------------------------------------------------------------------

ENC_LITTLE = 546   # MQENC_NATIVE of a little-endian machine
ENC_ZOS = 785      # integers and decimals normal, floats S/390


def ch(text, n, enc='ascii'):
    return text.encode(enc)[:n].ljust(n, ' '.encode(enc))


def pad16(data):
    return data + b'\0' * ((-len(data)) % 16)


def mqmd(e, enc, version=1, report=0, msg_type=8, expiry=-1, feedback=0, encoding=ENC_LITTLE,
         ccsid=0, fmt='', priority=-1, persistence=2, msg_id=b'', correl_id=b'', backout=0,
         reply_q='', reply_qmgr='', user='', acct=b'', appl_identity='', put_appl_type=0,
         put_appl_name='', put_date='', put_time='', appl_origin='', group_id=b'', seq=1,
         offset=0, flags=0, orig_len=-1):
    c = lambda t, n: ch(t, n, enc)
    data = struct.pack(e + '4s7i8s2i24s24si48s48s12s32s32si28s8s8s4s',
                       c('MD', 4), version, report, msg_type, expiry, feedback, encoding, ccsid,
                       c(fmt, 8), priority, persistence, msg_id.ljust(24, b'\0'),
                       correl_id.ljust(24, b'\0'), backout, c(reply_q, 48), c(reply_qmgr, 48),
                       c(user, 12), acct.ljust(32, b'\0'), c(appl_identity, 32), put_appl_type,
                       c(put_appl_name, 28), c(put_date, 8), c(put_time, 8), c(appl_origin, 4))
    if version >= 2:
        data += struct.pack(e + '24s4i', group_id.ljust(24, b'\0'), seq, offset, flags, orig_len)
    return data


def mqod(e, enc, name, qmgr='', obj_type=1, dynamic='AMQ.*', alt_user=''):
    c = lambda t, n: ch(t, n, enc)
    return struct.pack(e + '4s2i48s48s48s12s', c('OD', 4), 1, obj_type, c(name, 48), c(qmgr, 48),
                       c(dynamic, 48), c(alt_user, 12))


def mqgmo(e, enc, options, wait, resolved='', version=2, match=3):
    c = lambda t, n: ch(t, n, enc)
    data = struct.pack(e + '4s5i48si4s', c('GMO', 4), version, options, wait, 0, 0,
                       c(resolved, 48), match, c('', 4))
    if version >= 3:
        data += struct.pack(e + '16si', b'\0' * 16, 0)
    return data


def mqpmo(e, enc, ptr, options, resolved='', resolved_qmgr='', known=0, version=1):
    c = lambda t, n: ch(t, n, enc)
    data = struct.pack(e + '4s7i48s48s', c('PMO', 4), version, options, -1, 0, known, 0, 0,
                       c(resolved, 48), c(resolved_qmgr, 48))
    if version >= 2:
        data += struct.pack(e + '4i', 0, 0, 0, 0) + b'\0' * (2 * ptr)
    return data


def mqcno(e, enc, options, version=4):
    return struct.pack(e + '4s3i', ch('CNO', 4, enc), version, options, 0) + b'\0' * 16


def mqlong(e, value):
    return struct.pack(e + 'i', value)


def handle(e, value):
    return struct.pack(e + 'I', value & 0xffffffff)


# --------------------------------------------------------------------------
# Dump rows, one function per shape.
# --------------------------------------------------------------------------

_SHOW = ''.join(chr(b) if 0x20 <= b < 0x7f else '.' for b in range(256))


def shown(chunk, enc):
    if enc == 'ascii':
        return ''.join(_SHOW[b] for b in chunk)
    text = chunk.decode(enc)
    return ''.join(t if 0x20 <= ord(t) < 0x7f else '.' for t in text)


def _duplicate_runs(rows):
    """(index, run): rows equal to the row before them, in runs of two or more."""
    i = 0
    while i < len(rows):
        run = 0
        if i > 0 and len(rows[i]) == 16:
            while i + run < len(rows) and rows[i + run] == rows[i - 1]:
                run += 1
        yield i, run if run >= 2 else 0
        i += run if run >= 2 else 1


def windows_rows(data, layout, address, notices=True):
    """Rows of a windows trace: layout 'A' ("Address    Offset" heading) or
    'B' ("Offset     +0 +1" heading); equal rows become one notice."""
    rows = [data[i:i + 16] for i in range(0, len(data), 16)]
    out = []
    for i, run in _duplicate_runs(rows) if notices else ((i, 0) for i in range(len(rows))):
        if run:
            out.append(' ' * 11 + '%d lines suppressed, same as above' % run)
            continue
        chunk = rows[i]
        pairs = ' '.join('%02X' % b for b in chunk).ljust(47)
        head = '0x%08X %08X' % (address, 16 * i) if layout == 'A' else '0x%08X' % (16 * i)
        out.append('%s %s  |%-16s|' % (head, pairs, shown(chunk, 'ascii')))
    return out


def windows_heading(layout, length):
    if layout == 'A':
        return 'Address    Offset   00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F   Characters'
    cols = ' '.join('+%X' % k for k in range(min(16, length)))
    return 'Offset     %s   (length 0x%04X)' % (cols, length)


def zos_rows(data):
    out = []
    for i in range(0, len(data), 16):
        chunk = data[i:i + 16]
        words = '  '.join(chunk[k:k + 4].hex().upper() for k in range(0, len(chunk), 4))
        out.append('  +%04X  %-38s  | %-16s |' % (i, words, shown(chunk, 'cp037')))
    return out


def aat_rows(data):
    out = []
    for i in range(0, len(data), 16):
        chunk = data[i:i + 16]
        groups = ' '.join(chunk[k:k + 2].hex().upper() for k in range(0, len(chunk), 2))
        out.append("  %08X:  %-39s  '%-16s'" % (i, groups, shown(chunk, 'ascii')))
    return out


# --------------------------------------------------------------------------
# Windows traces: several threads of one process, each a list of
# (seconds spent before the line, text); merged by time stamp.
# --------------------------------------------------------------------------

FUNCS = ['xqcLockObject', 'xqcUnlockObject', 'kpiGetConnHandle', 'kpiCheckAuth', 'zmsBuildMessage',
         'zmsParseMessage', 'rrxSendRequest', 'rrxReceiveReply', 'xcsAllocMem', 'xcsFreeMem',
         'tpqSelectQueue', 'tpqBrowseIndex', 'kqhConvertHeaders', 'xlsRequestMutex', 'xlsReleaseMutex']

DATA_LINES = ['conversation %d state 0x%08X', 'block of %d bytes from pool %d', 'send %d bytes on socket %d',
              'receive %d bytes on socket %d', 'cache hit for object %d (slot %d)', 'hash bucket %d chain length %d']


class Thread:
    def __init__(self, rng, key, ostid, start):
        self.rng, self.key, self.ostid = rng, key, ostid
        self.t = start
        self.lines = []          # (time, ostid, key, text)

    def add(self, text, gap=None):
        self.t += gap if gap is not None else self.rng.uniform(0.000008, 0.000060)
        self.lines.append((self.t, self.ostid, self.key, text))

    def idle(self, seconds):
        """Time in which this thread writes nothing."""
        self.t += seconds

    def work(self, depth=0, budget=None):
        """Nested internal function lines, as the trace shows between calls."""
        rng = self.rng
        budget = rng.randrange(2, 7) if budget is None else budget
        name = rng.choice(FUNCS)
        self.add(' ' * depth + '{ ' + name)
        while budget > 0:
            budget -= 1
            if rng.random() < 0.3 and depth < 3:
                self.work(depth + 1, rng.randrange(0, 3))
            else:
                tpl = rng.choice(DATA_LINES)
                self.add(' ' * depth + ' ' + tpl % (rng.randrange(1, 4000), rng.randrange(1, 60)))
        self.add(' ' * depth + '} ' + name + ' rc=OK')


class WindowsCalls:
    """The calls of one windows thread, with the dumps of its parameters."""

    def __init__(self, thread, layout, hconn, app):
        self.th, self.layout, self.hconn = thread, layout, hconn
        self.qmgr, self.appl, self.user = app['qmgr'], app['appl'], app['user']
        self.reply_q = app['prefix'] + '.REPLY'
        self.address = 0x0012F000 + (thread.ostid & 0xff) * 0x40

    def dump(self, label, data, notices=True):
        th = self.th
        th.add(label)
        th.add(windows_heading(self.layout, len(data)))
        for row in windows_rows(data, self.layout, self.address, notices):
            th.add(row)

    def value(self, label, v):
        self.dump(label, mqlong('<', v))

    def handle(self, label, h):
        self.dump(label, handle('<', h))

    def buffer(self, body):
        th = self.th
        th.add('Buffer:')
        th.add('Data:-')
        for row in windows_rows(body, self.layout, self.address + 0x200, notices=False):
            th.add(row)

    def summary(self):
        self.th.add('Hconn         : %08X' % self.hconn)
        self.th.add('Compcode      : 0')
        self.th.add('Reason        : 0')

    def codes(self, cc, reason):
        self.value('Compcode:', cc)
        self.value('Reason:', reason)

    def connx(self):
        th = self.th
        th.add('MQCONNX >>')
        self.dump('Name:', ch(self.qmgr, 48))
        self.dump('ConnectOpts:', mqcno('<', 'ascii', 0x100))
        self.handle('Hconn:', 0xffffffff)
        th.work()
        th.add('MQCONNX <<', gap=0.0041)
        self.dump('Name:', ch(self.qmgr, 48))
        self.dump('ConnectOpts:', mqcno('<', 'ascii', 0x100))
        self.handle('Hconn:', self.hconn)
        self.codes(0, 0)

    def open(self, queue, options, hobj, reason=0):
        th = self.th
        th.add('MQOPEN >>')
        self.handle('Hconn:', self.hconn)
        self.dump('Objdesc:', mqod('<', 'ascii', queue))
        self.value('Options:', options)
        self.handle('Hobj:', 0)
        self.summary()
        th.work()
        th.add('MQOPEN <<', gap=0.0006)
        self.handle('Hconn:', self.hconn)
        out_hobj = hobj if reason == 0 else 0xffffffff
        self.dump('Objdesc:', mqod('<', 'ascii', queue, self.qmgr if reason == 0 else ''))
        self.value('Options:', options)
        self.handle('Hobj:', out_hobj)
        self.codes(0 if reason == 0 else 2, reason)
        th.add('MQI:MQOPEN HConn=%08X HObj=%08X Options=%08X rc=%08X ObjName=%s'
               % (self.hconn, out_hobj, options, reason, queue))

    def close(self, hobj):
        th = self.th
        th.add('MQCLOSE >>')
        self.handle('Hconn:', self.hconn)
        self.handle('Hobj:', hobj)
        self.value('Options:', 0)
        th.add('MQI:MQCLOSE HConn=%08X HObj=%08X Options=00000000' % (self.hconn, hobj))
        self.summary()
        th.work(budget=1)
        th.add('MQCLOSE <<', gap=0.0003)
        self.handle('Hconn:', self.hconn)
        self.handle('Hobj:', 0)
        self.value('Options:', 0)
        self.codes(0, 0)

    def put_md(self, seq, version, ts):
        return mqmd('<', 'ascii', version=version, msg_type=1 if seq % 3 == 0 else 8, ccsid=1208,
                    fmt='MQSTR', persistence=1, reply_q=self.reply_q, reply_qmgr=self.qmgr,
                    msg_id=b'AMQ ' + ch(self.qmgr, 8) + struct.pack('<Q', 0x6603C1A200000000 + seq)
                    + b'\x02\x00\x00\x00', user=self.user,
                    acct=b'\x16\x01\x05\x15\x00\x00\x00\x7a\x1c\x39\x4e' + bytes([seq & 0xff]),
                    put_appl_type=11, put_appl_name=self.appl, put_date='20240318', put_time=ts)

    def put(self, queue, hobj, seq, body, md_version=1, pmo_version=1, put1=False):
        th = self.th
        name = 'MQPUT1' if put1 else 'MQPUT'
        opts = 0x2044 if put1 else 0x2042
        th.add(name + ' >>')
        self.handle('Hconn:', self.hconn)
        if put1:
            self.dump('Objdesc:', mqod('<', 'ascii', queue))
        else:
            self.handle('Hobj:', hobj)
        md_in = mqmd('<', 'ascii', version=md_version, ccsid=1208, fmt='MQSTR', persistence=1,
                     reply_q=self.reply_q, msg_type=1 if seq % 3 == 0 else 8)
        self.dump('Msgdesc:', md_in)
        self.dump('Putmsgopts:', mqpmo('<', 'ascii', 4, opts, version=pmo_version), notices=False)
        self.value('Bufferlength:', len(body))
        self.buffer(body)
        self.summary()
        th.work()
        ts = '%08d' % (9150000 + seq * 731)
        th.add(name + ' <<', gap=self.th.rng.uniform(0.0004, 0.0025))
        self.handle('Hconn:', self.hconn)
        if put1:
            self.dump('Objdesc:', mqod('<', 'ascii', queue, self.qmgr))
        else:
            self.handle('Hobj:', hobj)
        self.dump('Msgdesc:', self.put_md(seq, md_version, ts))
        self.dump('Putmsgopts:', mqpmo('<', 'ascii', 4, opts, queue, self.qmgr, 1, pmo_version),
                  notices=False)
        self.value('Bufferlength:', len(body))
        self.codes(0, 0)
        if not put1:
            th.add('MQI:MQPUT  HConn=%08X HObj=%08X PMO=%08X BufLen=%08x rc=00000000'
                   % (self.hconn, hobj, opts, len(body)))

    def get(self, queue, hobj, seq, body, wait, md_version=2, waited=0.0):
        """MQGET with a wait; body None: no message came (reason 2033)."""
        th = self.th
        opts = 0x4001 | 0x2000 | 0x4   # wait, fail if quiescing, no syncpoint; MQGMO_CONVERT
        th.add('MQGET >>')
        self.handle('Hconn:', self.hconn)
        self.handle('Hobj:', hobj)
        self.dump('Msgdesc:', mqmd('<', 'ascii', version=md_version))
        self.dump('Getmsgopts:', mqgmo('<', 'ascii', opts, wait), notices=False)
        self.value('Bufferlength:', 8192)
        self.summary()
        th.work()
        th.add('MQGET <<', gap=waited)
        self.handle('Hconn:', self.hconn)
        self.handle('Hobj:', hobj)
        if body is None:
            self.dump('Msgdesc:', mqmd('<', 'ascii', version=md_version))
        else:
            self.dump('Msgdesc:', self.put_md(seq, md_version, '%08d' % (9140000 + seq * 517)))
        self.dump('Getmsgopts:', mqgmo('<', 'ascii', opts, wait, queue), notices=False)
        self.value('Bufferlength:', 8192)
        self.value('Datalength:', 0 if body is None else len(body))
        if body is not None:
            self.buffer(body)
        self.codes(2 if body is None else 0, 2033 if body is None else 0)
        th.add('MQI:MQGET HConn=%08X HObj=%08X GMO=%08X DataLen=%08x rc=%08X'
               % (self.hconn, hobj, opts, 0 if body is None else len(body), 2033 if body is None else 0))


ITEMS = ['hex bolts M8', 'washers 12 mm', 'café table, oak', 'gasket set', 'drill bits 6–8 mm',
         'cable ties', 'hinge, 90°', 'o-rings']


def order(rng, seq):
    return ('{"order":"ORD-%05d","seq":%d,"item":"%s","qty":%d,"price":"%d.%02d €"}'
            % (1000 + seq, seq, rng.choice(ITEMS), rng.randrange(1, 400), rng.randrange(1, 90),
               rng.randrange(100))).encode('utf-8')


def payment(rng, seq):
    return ('<payment ref="PAY-%06d"><payee>%s</payee><amount currency="EUR">%d.%02d</amount></payment>'
            % (880000 + seq, rng.choice(['Bäckerei Sonne', 'Fjord Tools AS', 'Café Lumière', 'Oak & Iron Ltd']),
               rng.randrange(10, 9000), rng.randrange(100))).encode('utf-8')


# Two made-up applications, one for each windows layout.
ORDERHUB = dict(qmgr='QMHUB01', appl='orderhub.exe', user='svc_orderhub', prefix='ORDERS', body=order,
                ack=b'{"ack":"ORD-01010","status":"accepted"}')
PAYGATE = dict(qmgr='QMPAY02', appl='paygate.exe', user='svc_paygate', prefix='PAYMENTS', body=payment,
               ack=b'<ack ref="PAY-880010" status="booked"/>')


def windows_trace(pid, layout, seed, start, app, late_start=False):
    """Threads 1 to 4 of a process: a receiver, a sender, a replier and one
    whose queue does not exist. With `late_start`, the trace begins while a
    fifth thread is inside an MQGET: only the end of that call is shown."""
    rng = random.Random(seed)
    prefix, body = app['prefix'], app['body']
    threads = []

    def thread(n, ostid):
        th = Thread(random.Random(seed * 100 + n), '%d.%d' % (pid, n), ostid, start + n * 0.00037)
        threads.append(th)
        return th

    # Thread 1: the receiver. Connects, opens the inbound queue, takes three
    # messages (the second one after a wait) and then waits in vain.
    t1 = thread(1, 0x1A2C)
    c1 = WindowsCalls(t1, layout, 0x01800003, app)
    t1.work()
    c1.connx()
    t1.work()
    c1.open(prefix + '.INBOUND', 0x2001, 2)
    for k, waited in enumerate([0.0012, 0.1834, 0.0009]):
        t1.work()
        c1.get(prefix + '.INBOUND', 2, 10 + k, body(rng, 10 + k), 5000, md_version=2 if k else 1,
               waited=waited)
    t1.work()
    c1.get(prefix + '.INBOUND', 2, 13, None, 2000, waited=2.0004)
    t1.work()
    c1.close(2)

    # Thread 2: the sender. Forwards two messages to the outbound queue.
    t2 = thread(2, 0x1B70)
    c2 = WindowsCalls(t2, layout, 0x01800004, app)
    t2.work()
    c2.connx()
    c2.open(prefix + '.OUTBOUND', 0x2010, 3)
    for k in range(2):
        t2.work()
        t2.idle(0.19)
        c2.put(prefix + '.OUTBOUND', 3, 20 + k, body(rng, 20 + k), md_version=1 + k, pmo_version=1 + k)
    t2.work()
    c2.close(3)

    # Thread 3: replies with MQPUT1 to the reply queue.
    t3 = thread(3, 0x1C04)
    c3 = WindowsCalls(t3, layout, 0x01800005, app)
    t3.work()
    c3.connx()
    t3.idle(0.25)
    c3.put(prefix + '.REPLY', 0, 30, app['ack'], put1=True)

    # Thread 4: an archive queue that does not exist (reason 2085).
    t4 = thread(4, 0x1D98)
    c4 = WindowsCalls(t4, layout, 0x01800006, app)
    t4.work()
    c4.connx()
    t4.work()
    c4.open(prefix + '.ARCHIVE', 0x2010, 0, reason=2085)

    if late_start:
        t5 = thread(5, 0x1E40)
        c5 = WindowsCalls(t5, layout, 0x01800007, app)
        c5.get(prefix + '.INBOUND', 4, 9, body(rng, 9), 60000, waited=0.0)
        exit_line = next(i for i, l in enumerate(t5.lines) if l[3] == 'MQGET <<')
        t5.lines = [(t - 0.0003, *rest) for t, *rest in t5.lines[exit_line:]]
        t5.work()

    merged = sorted((line for th in threads for line in th.lines), key=lambda l: l[0])
    pidlen = len(str(pid))
    out = ['Counter  TimeStamp          PID.TID  Ident Data']
    for t, ostid, key, text in merged:
        day = t % 86400
        stamp = '%02d:%02d:%09.6f' % (day // 3600, day % 3600 // 60, day % 60)
        # The period of the pid.tid token in column 31, the text from column 62.
        line = '%08X %s' % (ostid, stamp)
        line += ' ' * (31 - pidlen - len(line)) + key
        out.append(line + ' ' * (62 - len(line)) + text)
    return out


# --------------------------------------------------------------------------
# zos: one batch job, its calls one after the other; integers big endian,
# text in EBCDIC.
# --------------------------------------------------------------------------

def zos_trace():
    e, enc = '>', 'cp037'
    job, tcb, qmgr = 'BILLRUN1', '008D4E88', 'QMZ1'
    rng = random.Random(31)
    t = [8 * 3600 + 15 * 60 + 2.104113]
    out = ['CSQW108I MQ API TRACE FOR JOB %s ASID 0042' % job]

    def line(call, what, gap=None):
        t[0] += gap if gap is not None else rng.uniform(0.00008, 0.0006)
        s = t[0]
        out.append('%s %s %02d:%02d:%09.6f %-7s %s' % (job, tcb, s // 3600, s % 3600 // 60, s % 60, call, what))

    def dump(title, data):
        out.append('  %s at 1F%06X length %d' % (title, rng.randrange(0x100000, 0xffffff) & ~0xf, len(data)))
        out.extend(zos_rows(data))

    def params(**values):
        # The call's parameters on one line, as this trace writes them.
        out.append('  ' + ' '.join('%s=%s' % kv for kv in values.items()))

    def exit_line(call, cc=0, rc=0, gap=None):
        line(call, 'EXIT    CC=%04X RC=%08X' % (cc, rc), gap)

    def md(seq, version, ccsid=500, fmt='MQSTR'):
        return mqmd(e, enc, version=version, encoding=ENC_ZOS, ccsid=ccsid, fmt=fmt, persistence=1,
                    msg_id=ch('CSQ QMZ1', 8, enc) + struct.pack('>Q', 0xDB5A1E2F3C4D0000 + seq) + b'\0' * 8,
                    reply_q='BILLING.REPLY', reply_qmgr=qmgr, user='BILLUSR', put_appl_type=2,
                    put_appl_name=job, put_date='20240318', put_time='08150%03d' % seq,
                    acct=b'\x0e\xc2\xc9\xd3\xd3\xd9\xe4\xd5\xf1' + bytes([seq]))

    def body(seq):
        return ('INVOICE %06d CUSTOMER C%04d AMOUNT %7.2f EUR' % (24000 + seq, 300 + seq, 100 + seq * 17.25)).encode(enc)

    line('MQCONN', 'ENTRY')
    params(Name=qmgr)
    exit_line('MQCONN')
    params(Hconn='00000001')

    # The request queue for input, the reply queue for output.
    for name, options, hobj in [('BILLING.REQUEST', 0x2001, 1), ('BILLING.REPLY', 0x2010, 2)]:
        line('MQOPEN', 'ENTRY')
        params(Hconn='00000001', Options='%08X' % options)
        dump('MQOD', mqod(e, enc, name, dynamic='CSQ.*'))
        exit_line('MQOPEN')
        params(Hobj='%08X' % hobj)

    for seq in range(1, 4):
        line('MQGET', 'ENTRY', gap=0.0021)
        params(Hconn='00000001', Hobj='00000001', BufferLength=4096)
        dump('MQMD', mqmd(e, enc, version=1, encoding=ENC_ZOS))
        dump('MQGMO', mqgmo(e, enc, 0x4001 | 0x2000, 3000, version=2))
        exit_line('MQGET', gap=rng.uniform(0.0008, 0.09))
        msg = body(seq)
        params(DataLength=len(msg))
        dump('MQMD', md(seq, 2 if seq == 2 else 1))
        dump('MQGMO', mqgmo(e, enc, 0x4001 | 0x2000, 3000, 'BILLING.REQUEST', version=2))
        dump('Buffer', msg)

        line('MQPUT', 'ENTRY')
        reply = ('PAID %06d' % (24000 + seq)).encode(enc)
        params(Hconn='00000001', Hobj='00000002', BufferLength=len(reply))
        dump('MQMD', md(seq, 1))
        dump('MQPMO', mqpmo(e, enc, 4, 0x2002, version=2))
        dump('Buffer', reply)
        exit_line('MQPUT')
        dump('MQPMO', mqpmo(e, enc, 4, 0x2002, 'BILLING.REPLY', qmgr, 1, version=2))

    # The queue is empty now: the last get waits and ends with 2033.
    line('MQGET', 'ENTRY')
    params(Hconn='00000001', Hobj='00000001', BufferLength=4096)
    dump('MQMD', mqmd(e, enc, version=1, encoding=ENC_ZOS))
    dump('MQGMO', mqgmo(e, enc, 0x4001 | 0x2000, 3000, version=2))
    exit_line('MQGET', cc=2, rc=2033, gap=3.0007)

    # A control message to the audit queue.
    line('MQPUT1', 'ENTRY')
    audit = b'BATCH BILLRUN1 ENDED, 3 INVOICES'.decode('ascii').encode(enc)
    params(Hconn='00000001', BufferLength=len(audit))
    dump('MQOD', mqod(e, enc, 'BILLING.AUDIT', dynamic='CSQ.*'))
    dump('MQMD', md(9, 2, fmt='MQSTR'))
    dump('MQPMO', mqpmo(e, enc, 4, 0x2044, version=2))
    dump('Buffer', audit)
    exit_line('MQPUT1')

    for hobj in (1, 2):
        line('MQCLOSE', 'ENTRY')
        params(Hconn='00000001', Hobj='%08X' % hobj, Options='00000000')
        exit_line('MQCLOSE')
    line('MQDISC', 'ENTRY')
    exit_line('MQDISC')
    return out


# --------------------------------------------------------------------------
# aat: the operations of one application (two threads) as an activity
# trace report shows them.
# --------------------------------------------------------------------------

def aat_trace():
    e, enc = '<', 'ascii'
    qmgr, appl, host = 'QMLNX2', 'invoicer', 'lnxapp14'
    rng = random.Random(47)
    ops = []   # (tid, time, operation, cc, rc, hobj, objname, lines)

    def md(seq, version=2):
        return mqmd(e, enc, version=version, ccsid=819, fmt='MQSTR', persistence=1,
                    msg_id=b'AMQ ' + ch(qmgr, 8) + struct.pack('<Q', 0x65F8A02100000000 + seq) + b'\x01\0\0\0',
                    reply_q='INVOICE.REPLY', reply_qmgr=qmgr, user='invsvc', put_appl_type=6,
                    put_appl_name=appl, put_date='20240318', put_time='1402%04d' % (seq * 13))

    def text(seq):
        return ('Invoice %d for Café Müller: 3 x "Zahnrad 40/12", total 118,20 EUR\r\n' % (7700 + seq)).encode('latin-1')

    def op(tid, clock, name, cc, rc, hobj, obj, lines):
        ops.append((tid, clock, name, cc, rc, hobj, obj, lines))

    def rows(title, data):
        return ['  %s:' % title] + aat_rows(data)

    op(1, '14:02:11', 'MQXF_CONNX', 0, 0, 0, '',
       ['  Hconn: 8388864', '  CompCode: 0', '  Reason: 0', '  MQCNO Structure:']
       + aat_rows(mqcno(e, enc, 0x40 | 0x100, version=5) + b'\0' * 16))
    op(3, '14:02:11', 'MQXF_CONNX', 0, 0, 0, '',
       ['  Hconn: 8388865', '  CompCode: 0', '  Reason: 0', '  MQCNO Structure:']
       + aat_rows(mqcno(e, enc, 0x40, version=5) + b'\0' * 16))
    op(1, '14:02:11', 'MQXF_OPEN', 0, 0, 2, 'INVOICE.REQUEST',
       ['  Hconn: 8388864', '  CompCode: 0', '  Reason: 0', '  Hobj: 2', '  Open_options: 8193',
        '  Object_type: MQOT_Q', "  Object_name: 'INVOICE.REQUEST'"]
       + rows('Object descriptor', mqod(e, enc, 'INVOICE.REQUEST', qmgr)))
    op(3, '14:02:12', 'MQXF_OPEN', 0, 0, 2, 'INVOICE.OUT',
       ['  Hconn: 8388865', '  CompCode: 0', '  Reason: 0', '  Hobj: 2', '  Open_options: 8208',
        '  Object_type: MQOT_Q', "  Object_name: 'INVOICE.OUT'"]
       + rows('Object descriptor', mqod(e, enc, 'INVOICE.OUT', qmgr)))
    for k in range(3):
        seq = 40 + k
        msg = text(seq)
        op(1, '14:02:%02d' % (12 + 2 * k), 'MQXF_GET', 0, 0, 2, 'INVOICE.REQUEST',
           ['  Hconn: 8388864', '  CompCode: 0', '  Reason: 0', '  Hobj: 2', '  Get_options: 8197',
            '  Msg_length: %d' % len(msg), "  Object_name: 'INVOICE.REQUEST'"]
           + rows('Message descriptor', md(seq))
           + rows('Get message options', mqgmo(e, enc, 0x2005, 5000, 'INVOICE.REQUEST', version=3))
           + ['  Message Data:'] + aat_rows(msg))
        out = msg.replace(b'Invoice', b'INVOICE')
        op(3, '14:02:%02d' % (13 + 2 * k), 'MQXF_PUT', 0, 0, 2, 'INVOICE.OUT',
           ['  Hconn: 8388865', '  CompCode: 0', '  Reason: 0', '  Hobj: 2', '  Put_options: 8260',
            '  Msg_length: %d' % len(out), "  Object_name: 'INVOICE.OUT'"]
           + rows('Message descriptor', md(seq + 100))
           + rows('Put message options', mqpmo(e, enc, 4, 0x2044, 'INVOICE.OUT', qmgr, 1, version=2))
           + ['  Message Data:'] + aat_rows(out))
    op(1, '14:02:23', 'MQXF_GET', 2, 2033, 2, 'INVOICE.REQUEST',
       ['  Hconn: 8388864', '  CompCode: 2', '  Reason: 2033', '  Hobj: 2', '  Get_options: 8197',
        '  Msg_length: 0', "  Object_name: 'INVOICE.REQUEST'"]
       + rows('Get message options', mqgmo(e, enc, 0x2005, 5000, version=3)))
    ack = b'BATCH 18.03.2024 OK: 3 invoices\n'
    op(3, '14:02:23', 'MQXF_PUT1', 0, 0, 0, 'INVOICE.AUDIT',
       ['  Hconn: 8388865', '  CompCode: 0', '  Reason: 0', '  Put_options: 8260',
        '  Msg_length: %d' % len(ack), "  Object_name: 'INVOICE.AUDIT'"]
       + rows('Object descriptor', mqod(e, enc, 'INVOICE.AUDIT'))
       + rows('Message descriptor', md(200))
       + rows('Put message options', mqpmo(e, enc, 4, 0x2044, 'INVOICE.AUDIT', qmgr, 1, version=2))
       + ['  Message Data:'] + aat_rows(ack))
    for tid, hconn in ((1, 8388864), (3, 8388865)):
        op(tid, '14:02:24', 'MQXF_CLOSE', 0, 0, 2, '',
           ['  Hconn: %d' % hconn, '  CompCode: 0', '  Reason: 0', '  Hobj: 2', '  Close_options: 0'])
        op(tid, '14:02:24', 'MQXF_DISC', 0, 0, 0, '', ['  Hconn: %d' % hconn, '  CompCode: 0', '  Reason: 0'])

    ccname = {0: 'MQCC_OK', 1: 'MQCC_WARNING', 2: 'MQCC_FAILED'}
    out = ['MonitoringType: MQI Activity Trace', "QueueManager: '%s'" % qmgr, "Host Name: '%s'" % host,
           "ApplicationName: '%s'" % appl, 'ApplicationPid: 23117', "UserId: 'invsvc'", '=' * 74,
           'Tid Date       Time     Operation      CompCode MQRC HObj (ObjName)']
    for tid, clock, name, cc, rc, hobj, obj, _ in ops:
        out.append('%03d 2024-03-18 %s %-14s %-8s %04d %4d (%s)' % (tid, clock, name, ccname[cc], rc, hobj, obj))
    out.append('=' * 74)
    for n, (tid, clock, name, cc, rc, hobj, obj, lines) in enumerate(ops):
        out += ['MQI Operation: %d' % n, '  Operation Id: %s' % name, '  ApplicationTid: %d' % tid,
                "  OperationDate: '2024-03-18'", "  OperationTime: '%s'" % clock] + lines + ['=' * 74]
    return out


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    start = 9 * 3600 + 41 * 60 + 7.512230
    files = {
        'AMQ2244.0.FMT': windows_trace(2244, 'A', 7, start, ORDERHUB),
        'AMQ7308.0.FMT': windows_trace(7308, 'B', 11, start + 3600 * 2, PAYGATE, late_start=True),
        'BILLRUN1.TRACE': zos_trace(),
        'INVOICER.ACTIVITY.TXT': aat_trace(),
    }
    for name, lines in files.items():
        with open(os.path.join(folder, name), 'w', encoding='ascii', newline='\n') as f:
            f.write('\n'.join(lines) + '\n')
        print('%s: %d lines' % (name, len(lines)))


if __name__ == '__main__':
    main()
