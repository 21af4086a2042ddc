#!/usr/bin/env python3
"""Writes the seed corpus under fuzz/corpus/: well-formed inputs of each parser, a few bent ones."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(harness, name, data):
    folder = os.path.join(HERE, 'corpus', harness)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data.encode('utf-8') if isinstance(data, str) else data)


# --- NetBIOS name service -------------------------------------------------------------------
def netbios_name(text, suffix):
    return text.upper().encode('ascii')[:15].ljust(15, b' ') + bytes([suffix])


def encoded(name):
    out = bytes([0x20])
    for b in name:
        out += bytes([0x41 + (b >> 4), 0x41 + (b & 15)])
    return out + b'\0'


def header(ident, questions=0, answers=1, flags=0x8400):
    return struct.pack('>HHHHHH', ident, flags, questions, answers, 0, 0)


def node_status(ident, names, stats=46, rdlength=None, count=None):
    asked = b'*' + b'\0' * 15
    data = bytes([len(names) if count is None else count])
    for i, n in enumerate(names):
        data += netbios_name(n, 0x00 if i == 0 else 0x20) + b'\x04\x00'
    data += bytes([0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e]) + b'\0' * stats
    rd = len(data) if rdlength is None else rdlength
    return (header(ident) + encoded(asked) + struct.pack('>HHIH', 0x21, 1, 0, rd) + data)


put('node_status', 'two-names', node_status(0x1234, ['PC-ACCOUNTS', 'WORKGROUP']))
put('node_status', 'no-statistics', node_status(0x0001, ['PC1'], stats=0))
put('node_status', 'count-lies', node_status(0x0002, ['PC1'], count=40))
put('node_status', 'length-lies', node_status(0x0003, ['PC1'], rdlength=400))
put('node_status', 'echoed-question',
    header(0x0004, questions=1) + encoded(b'*' + b'\0' * 15) + struct.pack('>HH', 0x21, 1) +
    node_status(0x0004, ['PC2'])[12:])
put('node_status', 'pointer-name',
    header(0x0005, questions=1) + encoded(b'*' + b'\0' * 15) + struct.pack('>HH', 0x21, 1) +
    b'\xc0\x0c' + struct.pack('>HHIH', 0x21, 1, 0, 7) + b'\0' + bytes(6))
put('node_status', 'negative', header(0x0006, flags=0x8403))


def name_query(ident, addresses, name='pc-accounts', suffix=0):
    data = b''.join(b'\0\0' + bytes(a) for a in addresses)
    return (header(ident) + encoded(netbios_name(name, suffix)) +
            struct.pack('>HHIH', 0x20, 1, 300, len(data)) + data)


put('name_query', 'one-address', name_query(0x4242, [(192, 168, 1, 20)]))
put('name_query', 'two-addresses', name_query(0x0001, [(10, 0, 0, 1), (10, 0, 0, 2)]))
put('name_query', 'other-name', name_query(0x0002, [(10, 0, 0, 3)], name='pc-sales'))
put('name_query', 'group-suffix', name_query(0x0003, [(10, 0, 0, 4)], suffix=0x20))
put('name_query', 'empty-answer', name_query(0x0004, []))
put('name_query', 'short', name_query(0x0005, [(10, 0, 0, 5)])[:-3])

# --- Config.ini and language files: first byte picks the code page ---------------------------
CONFIG = ('[Connection]\r\nConstr=Provider=SQLite;Data Source=vesk.db\r\n\r\n[Font]\r\nCharset=0\r\n'
          '\r\n[Language]\r\nFileName=English.ini\r\n')
put('ini_file', 'config', b'\0' + CONFIG.encode())
put('ini_file', 'english', b'\0' + ('[Lang]\r\nRSInfo=Information\r\nRSPrinter=Printer\r\n'
                                    'RSDocument=Document\r\n; comment\r\nRSUser = User \r\nRSMonitorErr=Cannot monitor %S, %s.\r\n').encode())
put('ini_file', 'chinese-gbk', b'\1' + '[Lang]\r\nRSInfo=信息\r\nRSPrinter=打印机\r\n'.encode('gbk'))
put('ini_file', 'big5', b'\2' + '[Lang]\r\nRSInfo=資訊\r\n'.encode('big5'))
put('ini_file', 'shift-jis', b'\3' + '[Lang]\r\nRSInfo=情報\r\n'.encode('shift_jis'))
put('ini_file', 'korean', b'\4' + '[Lang]\r\nRSInfo=정보\r\n'.encode('cp949'))
put('ini_file', 'utf8-bom', b'\1\xef\xbb\xbf' + '[Lang]\nRSInfo=信息\n'.encode())
put('ini_file', 'broken', b'\1[Lang\r\n=x\r\nRSInfo=\x81\r\n[ lang ]\r\nrsinfo=\xff\xfe\x80')
put('ini_file', 'long-value', b'\0[Font]\nCharset=' + b'9' * 3000 + b'\n')

# --- [Connection] Constr ---------------------------------------------------------------------
put('connection_string', 'sqlite', 'Provider=SQLite;Data Source=vesk.db')
put('connection_string', 'sqlite-absolute', 'Provider=sqlite3; Data Source = /var/lib/vesk/vesk.db ;')
put('connection_string', 'postgres',
    'Provider=PostgreSQL;Host=db.office;Port=5432;Database=vesk;User ID=vesk;Password=a=b')
put('connection_string', 'npgsql', 'Provider=Npgsql;;;Host=;=x;Data Source=../../etc')
put('connection_string', 'no-provider', 'Data Source=数据/vesk.db')


# --- CUPS answers ----------------------------------------------------------------------------
def attr(tag, name, value):
    if isinstance(value, int):
        value = struct.pack('>i', value)
    elif isinstance(value, str):
        value = value.encode()
    return struct.pack('>BH', tag, len(name)) + name.encode() + struct.pack('>H', len(value)) + value


def more(tag, value):
    return attr(tag, '', value)


def ipp(groups, status=0):
    out = struct.pack('>BBHI', 2, 0, status, 1)
    out += bytes([1]) + attr(0x47, 'attributes-charset', 'utf-8') + \
        attr(0x48, 'attributes-natural-language', 'en')
    for tag, body in groups:
        out += bytes([tag]) + body
    return out + b'\3'


def job(ident, title='Budget 2027.pdf', user='bob', extra=b''):
    return (0x02, attr(0x21, 'job-id', ident) + attr(0x42, 'job-name', title) +
            attr(0x42, 'job-originating-user-name', user) +
            attr(0x42, 'job-originating-host-name', 'localhost') + attr(0x23, 'job-state', 9) +
            attr(0x21, 'job-impressions-completed', 6) + attr(0x21, 'job-k-octets', 2) +
            attr(0x21, 'time-at-creation', 1796792875) + extra)


MEDIA_COL = (attr(0x34, 'media-col', b'') + more(0x4A, 'media-size') + more(0x34, b'') +
             more(0x4A, 'x-dimension') + more(0x21, 21000) + more(0x4A, 'y-dimension') +
             more(0x21, 29700) + more(0x37, b'') + more(0x37, b''))
put('cups_job', 'two-jobs', ipp([job(11), job(12, extra=attr(0x21, 'job-impressions', 4))]))
put('cups_job', 'media', ipp([job(13, extra=attr(0x44, 'media', 'iso_a4_210x297mm'))]))
put('cups_job', 'media-col', ipp([job(14, extra=MEDIA_COL)]))
put('cups_job', 'hostile-names', ipp([job(15, title="x'; DROP TABLE tPrinterData; --",
                                          user='张三\\%_[]')]))
put('cups_job', 'huge-numbers', ipp([job(16, extra=attr(0x21, 'job-k-octets', 2**31 - 1) +
                                         attr(0x21, 'job-impressions', -5))]))
put('cups_job', 'printer', ipp([(0x04, attr(0x42, 'printer-name', 'Office') +
                                 attr(0x23, 'printer-state', 5) +
                                 attr(0x44, 'printer-state-reasons', 'media-jam-error') +
                                 more(0x44, 'toner-low-warning') +
                                 attr(0x21, 'queued-job-count', 3) +
                                 attr(0x22, 'printer-is-shared', b'\1') +
                                 attr(0x44, 'media-default', 'iso_a4_210x297mm'))]))
put('cups_job', 'wrong-types', ipp([(0x02, attr(0x42, 'job-id', 'seven') +
                                     attr(0x21, 'job-name', 5) + attr(0x44, 'media-col', 'a4'))]))

# --- Tree files: first byte picks the code page ----------------------------------------------
put('tree_file', 'network', b'\0' + b'Microsoft Windows Network\r\n\tWORKGROUP\r\n\t\tPC-01\r\n'
    b'\t\t\tLaser\r\n\t\tPC-02\r\n\tOFFICE\r\n\t\tPC-03\r\n')
put('tree_file', 'departments-gbk', b'\1' + '总公司\r\n\t财务部\r\n\t\tPC-01\r\n\t销售部\r\n'.encode('gbk'))
put('tree_file', 'mixed-endings', b'\0Head Office\n Sales\r  PC-9\r\n\tStores\n\n')
put('tree_file', 'level-jump', b'\0Head Office\r\n\t\t\tToo deep\r\n')
put('tree_file', 'zero-byte', b'\2Top\r\n\tChild\0\tafter the end\r\n')

# --- Web requests: a query string (or form body), a newline, a Cookie header ----------------
put('web_request', 'search', b'from=2026-01-01&to=2026-01-31&computer=PC%2D01&printer=&employee=Bob'
    b'&outcome=printed&color=yes&duplex=no&sort=PrintTime&dir=desc&after=120\n'
    b'vesk_session=' + b'ab' * 32 + b'; other=1')
put('web_request', 'sign-in', b'name=head&password=correct+horse%20battery\nvesk_session=')
put('web_request', 'chinese', 'dept=%E8%B4%A2%E5%8A%A1%E9%83%A8&employee=张三'.encode() + b'\n')
put('web_request', 'hostile', b"computer=%3Cscript%3Ealert(1)%3C%2Fscript%3E&x=%22%27%3E&y=%27%3B+drop"
    b"+table+tDept%3B--\n; ;=;vesk_session;vesk_session==x")
put('web_request', 'malformed', b'a=%zz&%=1&&=&b=%e2%82&c=%00&d=%\nvesk_session=\x00\xff')
put('web_request', 'many', b'&'.join(b'p%d=%d' % (i, i) for i in range(80)) + b'\n')
