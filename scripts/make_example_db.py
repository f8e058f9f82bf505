#!/usr/bin/env python3
"""Writes examples/db/legacy.sql, the example database's rows in TCVN3 and VNI, encoded by
tsconv; then: sqlite3 examples/db/legacy.db < examples/db/legacy.sql
   scripts/make_example_db.py [BUILD_DIR]   (default build/release)"""
import os
import subprocess
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'build', 'release')
tsconv = os.path.join(build, 'tools', 'tsconv')


def enc(s, cs):
    return subprocess.run([tsconv, '-f', 'utf8', '-t', cs], input=s.encode(),
                          capture_output=True, check=True).stdout



def q(b):
    return b"'" + b.replace(b"'", b"''") + b"'"
people=[("Nguyễn Văn Đức","12 phố Hàng Bạc, Hà Nội","0912 345 678"),
 ("Trần Thị Hồng Nhung","45 đường Lê Lợi, Huế",None),
 ("Lê Quang Vinh","Số 7 ngõ Huyện; quận Hoàn Kiếm","024 3825 1234"),
 ("Phạm Thu Hương  ",None,"0903 111 222"),
 ("Đặng Ngọc Lan","Khu phố 3, Biên Hoà, Đồng Nai","0251 3822 000")]
goods=[("Áo dài lụa tơ tằm",1250000.0,"Hàng may đo; giao trong 7 ngày"),
 ("Nón lá Huế",85000.0,None),
 ("Cà phê Buôn Ma Thuột (1 kg)",240000.0,"Rang xay, đóng gói hút chân không"),
 ("Nước mắm Phú Quốc",65000.0,"Độ đạm 40 độ N"),
 ("Bánh đậu xanh Hải Dương",45000.5,"")]
out=[]
out.append(b"-- An example database of legacy Vietnamese text: TCVN3 - ABC in \"kh\xc3\xa1ch h\xc3\xa0ng\", VNI - WIN in\n-- \"s\xe1\xba\xa3n ph\xe1\xba\xa9m [vni]\".  Made with: sqlite3 legacy.db < legacy.sql\n")
out.append(b"BEGIN;\n")
out.append('CREATE TABLE "khách hàng" (id INTEGER PRIMARY KEY, "họ tên" VARCHAR(60) NOT NULL, "địa chỉ; ghi chú" TEXT, "điện thoại" VARCHAR(20));\n'.encode())
for i,(n,a,p) in enumerate(people,1):
    out.append(b'INSERT INTO "kh\xc3\xa1ch h\xc3\xa0ng" VALUES (' + str(i).encode() + b", " + q(enc(n,'tcvn3')) + b", " + (q(enc(a,'tcvn3')) if a else b"NULL") + b", " + (q(p.encode()) if p else b"NULL") + b");\n")
out.append('CREATE TABLE "sản phẩm [vni]" ("mã" TEXT PRIMARY KEY, "tên ""hàng""" TEXT, "giá]" REAL, "ghi chú" TEXT) WITHOUT ROWID;\n'.encode())
for i,(n,pr,note) in enumerate(goods,1):
    out.append('INSERT INTO "sản phẩm [vni]" VALUES ('.encode() + f"'SP{i:02d}', ".encode() + q(enc(n,'vni')) + b", " + repr(pr).encode() + b", " + (q(enc(note,'vni')) if note is not None else b"NULL") + b");\n")
out.append('CREATE INDEX "tên khách" ON "khách hàng" ("họ tên");\n'.encode())
out.append('CREATE VIEW "danh bạ" AS SELECT "họ tên", "điện thoại" FROM "khách hàng";\n'.encode())
out.append(b"COMMIT;\n")
open(os.path.join(root, 'examples', 'db', 'legacy.sql'), 'wb').write(b"".join(out))
