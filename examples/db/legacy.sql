-- An example database of legacy Vietnamese text: TCVN3 - ABC in "kh√°ch h√†ng", VNI - WIN in
-- "s·∫£n ph·∫©m [vni]".  Made with: sqlite3 legacy.db < legacy.sql
BEGIN;
CREATE TABLE "kh√°ch h√†ng" (id INTEGER PRIMARY KEY, "h·ªç t√™n" VARCHAR(60) NOT NULL, "ƒë·ªãa ch·ªâ; ghi ch√∫" TEXT, "ƒëi·ªán tho·∫°i" VARCHAR(20));
INSERT INTO "kh√°ch h√†ng" VALUES (1, 'Nguy‘n V®n ß¯c', '12 phË Hµng Bπc, Hµ NÈi', '0912 345 678');
INSERT INTO "kh√°ch h√†ng" VALUES (2, 'Tr«n Thﬁ HÂng Nhung', '45 Æ≠Íng L™ LÓi, Hu’', NULL);
INSERT INTO "kh√°ch h√†ng" VALUES (3, 'L™ Quang Vinh', 'SË 7 ng‚ Huy÷n; quÀn Hoµn Ki’m', '024 3825 1234');
INSERT INTO "kh√°ch h√†ng" VALUES (4, 'Phπm Thu H≠¨ng  ', NULL, '0903 111 222');
INSERT INTO "kh√°ch h√†ng" VALUES (5, 'ß∆ng Ng‰c Lan', 'Khu phË 3, Bi™n Hoµ, ßÂng Nai', '0251 3822 000');
CREATE TABLE "s·∫£n ph·∫©m [vni]" ("m√£" TEXT PRIMARY KEY, "t√™n ""h√†ng""" TEXT, "gi√°]" REAL, "ghi ch√∫" TEXT) WITHOUT ROWID;
INSERT INTO "s·∫£n ph·∫©m [vni]" VALUES ('SP01', 'AŸo da¯i luÔa tÙ taËm', 1250000.0, 'Ha¯ng may Òo; giao trong 7 nga¯y');
INSERT INTO "s·∫£n ph·∫©m [vni]" VALUES ('SP02', 'No˘n la˘ Hue·', 85000.0, NULL);
INSERT INTO "s·∫£n ph·∫©m [vni]" VALUES ('SP03', 'Ca¯ phe‚ Buo‚n Ma Thuo‰t (1 kg)', 240000.0, 'Rang xay, Òo˘ng go˘i hu˘t cha‚n kho‚ng');
INSERT INTO "s·∫£n ph·∫©m [vni]" VALUES ('SP04', 'NˆÙ˘c maÈm Phu˘ Quo·c', 65000.0, '—o‰ ÒaÔm 40 Òo‰ N');
INSERT INTO "s·∫£n ph·∫©m [vni]" VALUES ('SP05', 'Ba˘nh Òa‰u xanh Ha˚i DˆÙng', 45000.5, '');
CREATE INDEX "t√™n kh√°ch" ON "kh√°ch h√†ng" ("h·ªç t√™n");
CREATE VIEW "danh b·∫°" AS SELECT "h·ªç t√™n", "ƒëi·ªán tho·∫°i" FROM "kh√°ch h√†ng";
COMMIT;
