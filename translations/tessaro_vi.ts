<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="vi_VN">
<!-- The windows' own texts are Vietnamese in the sources: this translation gives Qt's
     standard buttons in Vietnamese too. -->
<context>
    <name>QPlatformTheme</name>
    <message><source>OK</source><translation>Đồng ý</translation></message>
    <message><source>Save</source><translation>Lưu</translation></message>
    <message><source>Save All</source><translation>Lưu tất cả</translation></message>
    <message><source>Open</source><translation>Mở</translation></message>
    <message><source>&amp;Yes</source><translation>&amp;Có</translation></message>
    <message><source>Yes to &amp;All</source><translation>Có với &amp;tất cả</translation></message>
    <message><source>&amp;No</source><translation>&amp;Không</translation></message>
    <message><source>N&amp;o to All</source><translation>Khô&amp;ng với tất cả</translation></message>
    <message><source>Abort</source><translation>Huỷ bỏ</translation></message>
    <message><source>Retry</source><translation>Thử lại</translation></message>
    <message><source>Ignore</source><translation>Bỏ qua</translation></message>
    <message><source>Close</source><translation>Đóng</translation></message>
    <message><source>Cancel</source><translation>Huỷ</translation></message>
    <message><source>Discard</source><translation>Bỏ</translation></message>
    <message><source>Help</source><translation>Trợ giúp</translation></message>
    <message><source>Apply</source><translation>Áp dụng</translation></message>
    <message><source>Reset</source><translation>Đặt lại</translation></message>
    <message><source>Restore Defaults</source><translation>Trả về mặc định</translation></message>
</context>
</TS>
