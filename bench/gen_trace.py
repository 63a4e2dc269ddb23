#!/usr/bin/env python3
"""Writes a synthetic formatted MQ API trace of a unix machine (little endian).

Three kinds of trace:
  varnel   mostly ordinary trace lines, with the dumps of every structure at a
           realistic density (descriptors, get and put options, connect, open
           and close options, callbacks, message handles and properties,
           status data, subscriptions) and the one-value call parameters
  quorbit  a denser mix of MQOPEN, MQGET, MQPUT, MQPUT1 and MQCLOSE calls
  msgdata  like varnel, with larger messages, so that message buffers make up
           about half of the trace

Eight traced threads write interleaved lines. The output is the same for the
same arguments (fixed seed). The ordinary lines come from a set of function
call trees drawn once per thread, the calls are filled into fixed templates,
and the output is written in chunks of 8 MiB, so 500 MiB take well under a
minute.

    python3 bench/gen_trace.py --kind varnel --size-mb 500 AMQ30211.0.FMT
"""

import argparse
import random
import struct
import sys

MIB = 1024 * 1024
ENC_NATIVE = 546          # integers, decimals and floats reversed (little endian)

# --------------------------------------------------------------------------
# Dump rendering (unix shape)
# --------------------------------------------------------------------------

_DISPLAY = ''.join(chr(b) if 0x20 <= b < 0x7f else '.' for b in range(256))


def _row_text(offset, chunk):
    """One dump row: label, up to four words of 8 hex, the character column."""
    hx = chunk.hex()
    words = ' '.join(hx[i:i + 8] for i in range(0, len(hx), 8))
    chars = ''.join(_DISPLAY[b] for b in chunk)
    return '0x%04x:  %-35s  |%-16s|' % (offset, words, chars)


def dump_rows(data, skip_duplicates=True):
    """Dump lines of a byte string, 16 bytes a row. A run of two or more rows
    equal to the row before them is replaced by one duplicate-lines notice."""
    rows = [data[i:i + 16] for i in range(0, len(data), 16)]
    out = []
    i = 0
    while i < len(rows):
        run = 0
        if skip_duplicates and i > 0 and len(rows[i]) == 16:
            while i + run < len(rows) and rows[i + run] == rows[i - 1]:
                run += 1
        if run >= 2:
            out.append('0x%04x:  = Skipping %d Duplicate Lines =' % (16 * i, run))
            i += run
        else:
            out.append(_row_text(16 * i, rows[i]))
            i += 1
    return out


def value_rows(value):
    """The single dump row of a 4-byte call parameter."""
    return [_row_text(0, struct.pack('<i', value))]


def handle_rows(handle):
    return [_row_text(0, struct.pack('<I', handle))]


def pad16(data, fill=b'\0'):
    rest = (-len(data)) % 16
    return data + fill * rest


def ch(text, n):
    return text.encode('ascii')[:n].ljust(n, b' ')


# --------------------------------------------------------------------------
# MQ structures, little endian, 8-byte pointers
# --------------------------------------------------------------------------

def mqmd(version=1, report=0, msg_type=8, expiry=-1, feedback=0, encoding=ENC_NATIVE,
         ccsid=0, fmt='        ', priority=-1, persistence=2, msg_id=b'', correl_id=b'',
         backout=0, reply_q='', reply_qmgr='', user='', acct=b'', appl_identity='',
         put_appl_type=0, put_appl_name='', put_date='', put_time='', appl_origin='',
         group_id=b'', seq=1, offset=0, flags=0, orig_len=-1):
    data = struct.pack('<4s7i8s2i24s24si48s48s12s32s32si28s8s8s4s',
                       b'MD  ', version, report, msg_type, expiry, feedback, encoding, ccsid,
                       ch(fmt, 8), priority, persistence,
                       msg_id.ljust(24, b'\0'), correl_id.ljust(24, b'\0'), backout,
                       ch(reply_q, 48), ch(reply_qmgr, 48), ch(user, 12),
                       acct.ljust(32, b'\0'), ch(appl_identity, 32), put_appl_type,
                       ch(put_appl_name, 28), ch(put_date, 8), ch(put_time, 8),
                       ch(appl_origin, 4))
    if version >= 2:
        data += struct.pack('<24s4i', group_id.ljust(24, b'\0'), seq, offset, flags, orig_len)
    return pad16(data)


def mqod(name, qmgr='', obj_type=1, dynamic='CLIENT.*', alt_user=''):
    data = struct.pack('<4s2i48s48s48s12s', b'OD  ', 1, obj_type, ch(name, 48),
                       ch(qmgr, 48), ch(dynamic, 48), ch(alt_user, 12))
    return pad16(data)


def mqgmo(options, wait, resolved='', version=2, match=3):
    data = struct.pack('<4s5i48si4s', b'GMO ', version, options, wait, 0, 0,
                       ch(resolved, 48), match, b'    ')
    if version >= 4:
        data += struct.pack('<16s2iq', b'\0' * 16, 0, 0, -1)
    return pad16(data)


def mqpmo(options, resolved='', resolved_qmgr='', known=0, version=1):
    data = struct.pack('<4s7i48s48s', b'PMO ', version, options, -1, 0, known, 0, 0,
                       ch(resolved, 48), ch(resolved_qmgr, 48))
    if version >= 2:
        data += struct.pack('<4i2q', 0, 0, 0, 0, 0, 0)
    return pad16(data)


def mqcno(options):
    return pad16(struct.pack('<4s4iq', b'CNO ', 2, options, 0, 0, 0))


def mqcbd(name, options=0x2101, cb_type=1):
    return pad16(struct.pack('<4s3iqq128si', b'CBD ', 1, cb_type, options, 0, 0x7f3a11c0,
                             ch(name, 128), -1))


def mqctlo(options=0x2000):
    return pad16(struct.pack('<4s3iq', b'CTLO', 1, options, -1, 0))


def mqcbc(hobj, call_type=6, data_len=0, buf_len=0):
    return pad16(struct.pack('<4s2iIqq7i', b'CBC ', 2, call_type, hobj, 0, 0x7f3a2000, 0, 0, 0,
                             data_len, buf_len, 0, 0))


def mqsts(obj, qmgr):
    data = struct.pack('<4s7i48s48s48s48s', b'STAT', 2, 0, 0, 12, 0, 0, 1, ch(obj, 48),
                       ch(qmgr, 48), ch(obj, 48), ch(qmgr, 48))
    charv = struct.pack('<q4i', 0, 0, 0, 0, 1208)
    return pad16(data + charv + charv + struct.pack('<2i', 0x2010, 0))


def mqsd(topic_name, sub_name):
    charv = struct.pack('<qi4i', 0, 0, 0, 0, 0, 1208)[:24]
    data = struct.pack('<4s2i48s12s40si4s', b'SD  ', 1, 0x2002, ch(topic_name, 48), ch('', 12),
                       b'\0' * 40, -1, b'\0' * 4)
    data += charv * 3 + b'\0' * 24 + struct.pack('<i', -3) + b'\0' * 32 + ch('', 32)
    data += b'\0' * 4 + charv + struct.pack('<i', 1) + b'\0' * 4 + charv
    return pad16(data)


def options_struct(eye, options, extra=b''):
    return pad16(struct.pack('<4s2i', eye, 1, options) + extra)


def mqimpo():
    return pad16(struct.pack('<4s6i4s', b'IMPO', 1, 0, 546, -3, 546, 1208, b'    ')
                 + struct.pack('<q4i', 0, 0, 64, 13, 1208) + ch('MQSTR', 8))


def mqpd():
    return pad16(struct.pack('<4s5i', b'PD  ', 1, 0, 1, 0, 22))


# --------------------------------------------------------------------------
# Ordinary trace lines
# --------------------------------------------------------------------------

_NAMES = ['zqiConnCheck', 'zqiHandleCheck', 'zqiObjCacheFind', 'zqxTxnBegin', 'zqxTxnEnd',
          'lqsMutexLock', 'lqsMutexUnlock', 'rtmBlockAlloc', 'rtmBlockFree', 'lqnSocketSend',
          'lqnSocketRecv', 'zqmMsgBuild', 'zqmMsgParse', 'zqcAuthCheck', 'rtaEnvLookup',
          'lqcCodepageLookup', 'zqpRequestSend', 'zqpReplyWait', 'rtlLogAppend', 'zqsSessionTouch',
          'lqtTimerArm', 'lqtTimerCancel', 'zqhHeaderScan', 'rtmPoolStats']

def _addr(rng):
    return '0x7f%010x' % (rng.randrange(0x1000000000, 0xffffffffff) & ~0xf)


# Data lines of the ordinary trace: a template and the makers of its values.
_DATA = [
    ('lock %s acquired, waiters=%d', lambda r: (_addr(r), r.choice([0, 0, 0, 1, 2]))),
    ('block %s size %d from pool %d', lambda r: (_addr(r), r.choice([64, 128, 256, 1024, 4096, 16384]), r.randrange(1, 9))),
    ('send %d bytes on fd %d', lambda r: (r.randrange(36, 4200), r.randrange(5, 40))),
    ('recv %d bytes on fd %d', lambda r: (r.randrange(36, 4200), r.randrange(5, 40))),
    ('conversation %d state 0x%08x', lambda r: (r.randrange(1, 40), r.choice([0x11, 0x13, 0x101, 0x2001]))),
    ('cache hit for object id %d (slot %d)', lambda r: (r.randrange(1, 300), r.randrange(0, 64))),
    ('timer %d armed for %d ms', lambda r: (r.randrange(1, 30), r.choice([50, 100, 500, 5000, 30000]))),
    ('session token %s refcount %d', lambda r: (_addr(r), r.randrange(1, 6))),
    ('codepage %d maps to table %d', lambda r: (r.choice([819, 1208, 1200, 437, 850, 1252]), r.randrange(1, 24))),
    ('pool %d: %d blocks in use', lambda r: (r.randrange(1, 9), r.randrange(10, 900))),
]


def _data_line(rng):
    tpl, values = rng.choice(_DATA)
    return tpl % values(rng)


def function_tree(rng, depth=0, budget=None):
    """A nested run of function entry, data and exit lines."""
    if budget is None:
        budget = rng.randrange(3, 14)
    name = rng.choice(_NAMES)
    pad = ' ' * depth
    lines = [pad + '{ ' + name]
    while budget > 0:
        budget -= 1
        r = rng.random()
        if r < 0.35 and depth < 5:
            sub = rng.randrange(0, min(budget, 6) + 1)
            lines += function_tree(rng, depth + 1, sub)
            budget -= sub
        elif r < 0.7:
            lines.append(pad + ' ' + _data_line(rng))
        else:
            break
    lines.append(pad + '} ' + name + (' rc=OK' if rng.random() < 0.9 else ' rc=0x%08x' % rng.choice([0x20806055, 0x10806012])))
    return lines


# --------------------------------------------------------------------------
# API calls: each returns the lines (text only) that one thread writes
# --------------------------------------------------------------------------

def _params_summary(hconn):
    return ['Hconn         : %08x' % hconn, 'Compcode      : 0', 'Reason        : 0']


def _work(rng, work, lo=4, hi=12):
    """The internal function lines of a call: `work` when given, else random."""
    if work is not None:
        return list(work)
    return _internals(rng, lo, hi)


def _internals(rng, lo=4, hi=12):
    lines = []
    for _ in range(rng.randrange(1, 3)):
        lines += function_tree(rng, 0, rng.randrange(lo, hi))
    return lines


def call_connx(rng, hconn, qmgr, work=None):
    name = pad16(ch(qmgr, 48))
    return (['MQCONNX >>', 'Name:'] + dump_rows(name) + ['ConnectOpts:'] + dump_rows(mqcno(0x40))
            + ['Hconn:'] + handle_rows(0xffffffff) + _params_summary(0) + _work(rng, work, 8, 20)
            + ['MQCONNX <<', 'Name:'] + dump_rows(name) + ['ConnectOpts:'] + dump_rows(mqcno(0x40))
            + ['Hconn:'] + handle_rows(hconn)
            + ['Compcode:'] + value_rows(0) + ['Reason:'] + value_rows(0))


def call_open(rng, hconn, hobj, queue, qmgr, options, reason=0, work=None):
    cc = 0 if reason == 0 else 2
    od_in = mqod(queue)
    od_out = mqod(queue, qmgr if reason == 0 else '')
    out_hobj = hobj if reason == 0 else 0xffffffff
    return (['MQOPEN >>', 'Hconn:'] + handle_rows(hconn) + ['Objdesc:'] + dump_rows(od_in)
            + ['Options:'] + value_rows(options) + ['Hobj:'] + handle_rows(0)
            + _params_summary(hconn) + _work(rng, work)
            + ['MQOPEN <<', 'Hconn:'] + handle_rows(hconn) + ['Objdesc:'] + dump_rows(od_out)
            + ['Options:'] + value_rows(options) + ['Hobj:'] + handle_rows(out_hobj)
            + ['Compcode:'] + value_rows(cc) + ['Reason:'] + value_rows(reason)
            + ['MQI:MQOPEN HConn=%08x HObj=%08x Options=%08x rc=%08x ObjName=%s'
               % (hconn, out_hobj, options, reason, queue)])


def call_close(rng, hconn, hobj, work=None):
    return (['MQCLOSE >>', 'Hconn:'] + handle_rows(hconn) + ['Hobj:'] + handle_rows(hobj)
            + ['Options:'] + value_rows(0)
            + ['MQI:MQCLOSE HConn=%08x HObj=%08x Options=00000000' % (hconn, hobj)]
            + _params_summary(hconn) + _work(rng, work, 2, 8)
            + ['MQCLOSE <<', 'Hconn:'] + handle_rows(hconn) + ['Hobj:'] + handle_rows(0xffffffff)
            + ['Options:'] + value_rows(0)
            + ['Compcode:'] + value_rows(0) + ['Reason:'] + value_rows(0))


MESSAGE_SCALE = 1                       # msgdata traces repeat each order many times


def messages_body(rng, seq):
    return _message(rng, seq)


def _message(rng, seq):
    if MESSAGE_SCALE > 1:
        parts = [_order(rng, seq + k) for k in range(rng.randrange(MESSAGE_SCALE // 2, MESSAGE_SCALE * 3 // 2))]
        return b'<batch>' + b''.join(parts) + b'</batch>'
    return _order(rng, seq)


def _order(rng, seq):
    item = rng.choice(['bolts M8', 'washers 12mm', 'gasket kit', 'hinge, steel',
                       'café table', 'drill bits 6\u20138mm', 'cable ties', 'o-rings', 'fox bolts'])
    body = ('<order id="%06d" seq="%d"><item qty="%d">%s</item><dept>%s</dept></order>'
            % (rng.randrange(100000, 999999), seq, rng.randrange(1, 500), item,
               rng.choice(['north', 'south', 'east', 'west', 'stores'])))
    return body.encode('utf-8')


def _msg_id(qmgr, seq):
    return b'ID  ' + ch(qmgr, 12)[:8] + struct.pack('<Q', 0x65f1c2a400000000 + seq) + b'\x01\x00\x00\x00'


def _put_md(rng, qmgr, seq, version, appl, ts):
    return mqmd(version=version, report=rng.choice([0, 0, 0x180]), msg_type=rng.choice([8, 8, 1]),
                expiry=rng.choice([-1, -1, 6000]),
                ccsid=1208, fmt='MQSTR', priority=rng.choice([-1, 0, 4]),
                persistence=rng.choice([0, 1, 2]), msg_id=_msg_id(qmgr, seq),
                reply_q='APP.REPLY.Q', reply_qmgr=qmgr, user='appuser',
                acct=b'\x16\x01\x05\x15\x00\x00\x00\x9a\x5b\x2e\x11' + bytes([seq & 0xff]),
                put_appl_type=6, put_appl_name=appl, put_date='20240311', put_time=ts,
                seq=1, flags=0, orig_len=-1)


def call_put(rng, hconn, hobj, queue, qmgr, seq, appl, version=2, put1=False, reason=0, work=None):
    """MQPUT (or MQPUT1, which names the queue with an object descriptor)."""
    cc = 0 if reason == 0 else 2
    body = _message(rng, seq)
    ts = '%02d%02d%02d%02d' % (14, 20 + seq % 30, seq % 60, rng.randrange(100))
    md_in = mqmd(version=version, ccsid=1208, fmt='MQSTR', persistence=rng.choice([0, 1]),
                 reply_q='APP.REPLY.Q', msg_type=1 if rng.random() < 0.3 else 8)
    md_out = _put_md(rng, qmgr, seq, version, appl, ts)
    opts = 0x2044 if not put1 else 0x2004
    name = 'MQPUT1' if put1 else 'MQPUT'
    pmo_ver = rng.choice([1, 2])
    head = ['%s >>' % name, 'Hconn:'] + handle_rows(hconn)
    if put1:
        head += ['Objdesc:'] + dump_rows(mqod(queue))
    else:
        head += ['Hobj:'] + handle_rows(hobj)
    head += (['Msgdesc:'] + dump_rows(md_in) + ['Putmsgopts:']
             + dump_rows(mqpmo(opts, version=pmo_ver), False)
             + ['Bufferlength:'] + value_rows(len(body)) + ['Buffer:'] + dump_rows(body, False)
             + _params_summary(hconn) + _work(rng, work))
    tail = ['%s <<' % name, 'Hconn:'] + handle_rows(hconn)
    if put1:
        tail += ['Objdesc:'] + dump_rows(mqod(queue, qmgr))
    else:
        tail += ['Hobj:'] + handle_rows(hobj)
    tail += (['Msgdesc:'] + dump_rows(md_out) + ['Putmsgopts:']
             + dump_rows(mqpmo(opts, queue, qmgr, known=1 if cc == 0 else 0, version=pmo_ver), False)
             + ['Bufferlength:'] + value_rows(len(body))
             + ['Compcode:'] + value_rows(cc) + ['Reason:'] + value_rows(reason))
    if not put1:
        tail.append('MQI:MQPUT  HConn=%08x HObj=%08x PMO=%08x BufLen=%08x rc=%08x'
                    % (hconn, hobj, opts, len(body), reason))
    return head + tail


def call_get(rng, hconn, hobj, queue, qmgr, seq, appl, reason=0, wait=5000, md_version=1, work=None):
    """MQGET with a wait; reason 2033 shows an empty queue after the wait."""
    cc = {0: 0, 2033: 2, 2079: 1}[reason]
    bufsize = 4096 if reason != 2079 else 64
    opts = 0x6005                       # wait, no syncpoint, fail if quiescing, convert
    md_in = mqmd(version=md_version)
    head = (['MQGET >>', 'Hconn:'] + handle_rows(hconn) + ['Hobj:'] + handle_rows(hobj)
            + ['Msgdesc:'] + dump_rows(md_in) + ['Getmsgopts:'] + dump_rows(mqgmo(opts, wait), False)
            + ['Bufferlength:'] + value_rows(bufsize)
            + _params_summary(hconn) + _work(rng, work, 6, 16))
    tail = ['MQGET <<', 'Hconn:'] + handle_rows(hconn) + ['Hobj:'] + handle_rows(hobj)
    if reason == 2033:
        body = b''
        tail += ['Msgdesc:'] + dump_rows(md_in)
    else:
        body = _message(rng, seq)
        ts = '%02d%02d%02d%02d' % (14, 19 + seq % 30, seq % 60, rng.randrange(100))
        tail += ['Msgdesc:'] + dump_rows(_put_md(rng, qmgr, seq, md_version, appl, ts))
    tail += (['Getmsgopts:'] + dump_rows(mqgmo(opts, wait, queue), False)
             + ['Bufferlength:'] + value_rows(bufsize) + ['Datalength:'] + value_rows(len(body)))
    if body:
        tail += ['Buffer:'] + dump_rows(body[:bufsize], False)
    tail += (['Compcode:'] + value_rows(cc) + ['Reason:'] + value_rows(reason)
             + ['MQI:MQGET HConn=%08x HObj=%08x GMO=%08x DataLen=%08x rc=%08x'
                % (hconn, hobj, opts, len(body), reason)])
    return head + tail


def call_async_consume(rng, hconn, hobj, queue, qmgr, seq, appl, messages):
    """MQCB registers a consumer, MQCTL starts it, and the consumer is called
    with the callback context, descriptor and buffer of each message."""
    lines = (['MQCB >>', 'Hconn:'] + handle_rows(hconn) + ['CallbackDesc:']
             + dump_rows(mqcbd('%s.consumer' % appl)) + ['Hobj:'] + handle_rows(hobj)
             + _params_summary(hconn) + _internals(rng, 2, 6)
             + ['MQCB <<', 'Compcode:'] + value_rows(0) + ['Reason:'] + value_rows(0)
             + ['MQCTL >>', 'Hconn:'] + handle_rows(hconn) + ['CtlOpts:'] + dump_rows(mqctlo())
             + _internals(rng, 2, 6) + ['MQCTL <<', 'Compcode:'] + value_rows(0) + ['Reason:'] + value_rows(0))
    for i in range(messages):
        body = messages_body(rng, seq + i)
        lines += (['CbContext:'] + dump_rows(mqcbc(hobj, data_len=len(body), buf_len=len(body)))
                  + ['Msgdesc:'] + dump_rows(_put_md(rng, qmgr, seq + i, 2, appl, '14223344'))
                  + ['Buffer:'] + dump_rows(body, False) + _internals(rng, 2, 8))
    return lines


def call_properties(rng, hconn, name, value):
    """A message handle is created, a property set and read back, and the
    handle deleted."""
    hmsg = struct.pack('<Q', 0x0000000100000000 | rng.randrange(1, 1 << 16))
    value_bytes = pad16(value.encode('ascii'))
    return (['MQCRTMH >>', 'Hconn:'] + handle_rows(hconn) + ['CrtMsgHOpts:']
            + dump_rows(options_struct(b'CMHO', 0)) + ['MQCRTMH <<', 'Hmsg:'] + dump_rows(pad16(hmsg))
            + ['Compcode:'] + value_rows(0) + ['Reason:'] + value_rows(0)
            + ['MQSETMP >>', 'Hmsg:'] + dump_rows(pad16(hmsg)) + ['SetPropOpts:']
            + dump_rows(options_struct(b'SMPO', 0, struct.pack('<2i', 546, -2)))
            + ['Actual Name:'] + dump_rows(pad16(name.encode('ascii'))) + ['PropDesc:'] + dump_rows(mqpd())
            + ['Type:'] + value_rows(1024) + ['Value:'] + dump_rows(value_bytes)
            + ['MQSETMP <<', 'Compcode:'] + value_rows(0) + ['Reason:'] + value_rows(0)
            + ['MQINQMP >>', 'Hmsg:'] + dump_rows(pad16(hmsg)) + ['InqPropOpts:'] + dump_rows(mqimpo())
            + ['Actual Name:'] + dump_rows(pad16(name.encode('ascii')))
            + ['MQINQMP <<', 'Type:'] + value_rows(1024) + ['Value:'] + dump_rows(value_bytes)
            + ['Compcode:'] + value_rows(0) + ['Reason:'] + value_rows(0)
            + ['MQDLTMP >>', 'Hmsg:'] + dump_rows(pad16(hmsg)) + ['DltPropOpts:']
            + dump_rows(options_struct(b'DMPO', 0)) + ['MQDLTMP <<', 'Compcode:'] + value_rows(0)
            + ['MQDLTMH >>', 'DltMsgHOpts:'] + dump_rows(options_struct(b'DMHO', 0))
            + ['MQDLTMH <<', 'Compcode:'] + value_rows(0) + ['Reason:'] + value_rows(0))


def call_stat(rng, hconn, queue, qmgr):
    return (['MQSTAT >>', 'Hconn:'] + handle_rows(hconn) + ['Type:'] + value_rows(0)
            + _internals(rng, 2, 5) + ['MQSTAT <<', 'StatusData:'] + dump_rows(mqsts(queue, qmgr))
            + ['Compcode:'] + value_rows(0) + ['Reason:'] + value_rows(0))


def call_subscribe(rng, hconn, topic, sub):
    return (['MQSUB >>', 'Hconn:'] + handle_rows(hconn) + ['Subdesc:'] + dump_rows(mqsd(topic, sub))
            + ['Hobj:'] + handle_rows(0) + _internals(rng, 3, 8)
            + ['MQSUB <<', 'Subdesc:'] + dump_rows(mqsd(topic, sub)) + ['Hobj:'] + handle_rows(0x77)
            + ['Compcode:'] + value_rows(0) + ['Reason:'] + value_rows(0))


# --------------------------------------------------------------------------
# Threads and interleaving
# --------------------------------------------------------------------------

QMGR = 'QMGR.EAST'
QUEUES = ['APP.ORDERS.IN', 'APP.ORDERS.OUT', 'APP.AUDIT.LOG', 'STOCK.UPDATES',
          'PAYMENTS.REQUEST', 'CLAIMS.INTAKE.QUEUE', 'APP.REPLY.Q', 'BATCH.CONTROL']


def thread_activity(rng, tid, kind):
    """Endless text lines of one traced thread: ordinary lines and API calls."""
    hconn = 0x01400006 + tid
    gap = {'varnel': (150, 450), 'msgdata': (40, 120), 'quorbit': (10, 70)}[kind]
    ordinary = [function_tree(rng) for _ in range(60)]
    seq = tid * 100000
    appl = ['orderfeed', 'stockd', 'payrun', 'claimsvc'][tid % 4]
    hobj_next = 2

    def filler():
        lines = []
        target = rng.randrange(*gap)
        while len(lines) < target:
            lines += rng.choice(ordinary)
        return lines

    yield from filler()
    yield from call_connx(rng, hconn, QMGR)
    while True:
        queue = QUEUES[(tid + rng.randrange(3)) % len(QUEUES)]
        hobj = hobj_next
        hobj_next += 1
        getter = (tid % 2 == 1)
        yield from filler()
        yield from call_open(rng, hconn, hobj, queue, QMGR, 0x2001 if getter else 0x2010)
        for _ in range(rng.randrange(4, 12)):
            yield from filler()
            seq += 1
            if getter:
                reason = 2033 if rng.random() < 0.15 else 0
                yield from call_get(rng, hconn, hobj, queue, QMGR, seq, appl, reason,
                                    md_version=rng.choice([1, 1, 2]))
            else:
                yield from call_put(rng, hconn, hobj, queue, QMGR, seq, appl,
                                    version=rng.choice([1, 2]))
            if rng.random() < 0.2:
                yield from filler()
                seq += 1
                yield from call_put(rng, hconn, 0, 'APP.REPLY.Q', QMGR, seq, appl,
                                    version=1, put1=True)
        if kind != 'quorbit':
            r = rng.random()
            if r < 0.25:
                yield from filler()
                yield from call_properties(rng, hconn, 'orderPriority', 'high, expedite shipping')
            elif r < 0.35:
                yield from filler()
                yield from call_stat(rng, hconn, queue, QMGR)
            elif r < 0.42:
                yield from filler()
                yield from call_subscribe(rng, hconn, 'PRICE.UPDATES', '%s.prices' % appl)
            elif r < 0.55 and getter:
                yield from filler()
                seq += 10
                yield from call_async_consume(rng, hconn, hobj, queue, QMGR, seq, appl, rng.randrange(1, 4))
        yield from filler()
        yield from call_close(rng, hconn, hobj)
        if rng.random() < 0.05:
            yield from filler()
            yield from call_open(rng, hconn, 0, 'APP.ORDERS.ARCHIVE', QMGR, 0x2010, reason=2085)


class Clock:
    """Timestamps HH:MM:SS.uuuuuu, about 30 microseconds apart on average."""

    def __init__(self, rng, start_us):
        self.us = start_us
        self.steps = [int(rng.expovariate(1 / 30.0)) + 1 for _ in range(4096)]
        self.i = 0
        self._sec = -1
        self._hms = ''

    def stamp(self):
        self.us += self.steps[self.i]
        self.i = (self.i + 1) & 4095
        sec, frac = divmod(self.us, 1000000)
        if sec != self._sec:
            self._sec = sec
            h, rest = divmod(sec % 86400, 3600)
            self._hms = ' %02d:%02d:%02d.' % (h, rest // 60, rest % 60)
        return self._hms, frac


def key_field(pid, tid):
    """Blanks after the timestamp, the pid.tid token with its period in
    column 25, and blanks up to the text, which starts in column 57."""
    key = '%s.%d' % (pid, tid)
    start = 25 - len(pid)
    return ' ' * (start - 16) + key + ' ' * (57 - start - len(key))


def write_trace(out, kind, size_bytes, pid='30211', threads=8, seed=7):
    rng = random.Random(seed)
    acts = [thread_activity(random.Random(seed * 1000 + t), t, kind) for t in range(1, threads + 1)]
    keys = [key_field(pid, t) for t in range(1, threads + 1)]
    weights = [rng.uniform(0.5, 1.5) for _ in range(threads)]
    picks = rng.choices(range(threads), weights, k=8192)
    bursts = [rng.randrange(1, 9) for _ in range(8192)]
    clock = Clock(rng, (10 * 3600 + 2 * 60 + 11) * 1000000 + 402113)
    written = 0
    pick = 0
    chunk = []
    chunk_len = 0
    while written < size_bytes:
        t = picks[pick & 8191]
        n = bursts[pick & 8191]
        pick += 1
        act = acts[t]
        key = keys[t]
        for _ in range(n):
            hms, frac = clock.stamp()
            line = '%s%06d%s%s\n' % (hms, frac, key, next(act))
            chunk.append(line)
            chunk_len += len(line)
        if chunk_len >= 8 * MIB or written + chunk_len >= size_bytes:
            data = ''.join(chunk)
            if written + len(data) > size_bytes:
                # Stop at the first line end at or past the requested size.
                cut = data.index('\n', max(0, size_bytes - written - 1)) + 1
                data = data[:cut]
            out.write(data.encode('ascii'))
            written += len(data)
            chunk = []
            chunk_len = 0
    return written


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--kind', choices=['varnel', 'quorbit', 'msgdata'], required=True)
    ap.add_argument('--size-mb', type=float, required=True, help='size in MiB')
    ap.add_argument('--pid', default=None, help='traced process id (default from the file name)')
    ap.add_argument('--seed', type=int, default=7)
    ap.add_argument('out')
    a = ap.parse_args()
    pid = a.pid
    if pid is None:
        base = a.out.rsplit('/', 1)[-1]
        pid = base[3:base.index('.')] if base.upper().startswith('AMQ') and '.' in base[3:] else '30211'
    global MESSAGE_SCALE
    if a.kind == 'msgdata':
        MESSAGE_SCALE = 30
    with open(a.out, 'wb', buffering=0) as f:
        n = write_trace(f, a.kind, int(a.size_mb * MIB), pid=pid, seed=a.seed)
    print('%s: %d bytes' % (a.out, n), file=sys.stderr)


if __name__ == '__main__':
    main()
