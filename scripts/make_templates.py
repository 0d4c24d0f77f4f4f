#!/usr/bin/env python3
"""Writes the pawnshop's Word templates into Programs/: the pledge contract Dogovor_2009.docx and
the 17 x 54 mm item label 17x54.docx. The program fills the Latin placeholder words; the vehicle
lines must stay exactly as they are, since a contract without a vehicle removes them by their text.

Run it after changing the wording: python3 scripts/make_templates.py
"""
import os
import zipfile
from xml.sax.saxutils import escape

W = 'http://schemas.openxmlformats.org/wordprocessingml/2006/main'
STAMP = (2024, 1, 1, 0, 0, 0)  # fixed, so that the files only change with their content

CONTENT_TYPES = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/word/document.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
    '<Override PartName="/word/styles.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>'
    '</Types>')
PACKAGE_RELS = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
    'officeDocument" Target="word/document.xml"/></Relationships>')
DOCUMENT_RELS = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
    'styles" Target="styles.xml"/></Relationships>')


def twips(mm):
    return int(mm * 1440 / 25.4 + 0.5)


def styles(font, size):
    half = int(size * 2)
    return (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        f'<w:styles xmlns:w="{W}"><w:docDefaults><w:rPrDefault><w:rPr>'
        f'<w:rFonts w:ascii="{font}" w:hAnsi="{font}" w:cs="{font}" w:eastAsia="{font}"/>'
        f'<w:sz w:val="{half}"/><w:szCs w:val="{half}"/><w:lang w:val="bg-BG"/></w:rPr></w:rPrDefault>'
        '<w:pPrDefault><w:pPr><w:spacing w:after="0" w:line="240" w:lineRule="auto"/></w:pPr></w:pPrDefault>'
        '</w:docDefaults><w:style w:type="paragraph" w:default="1" w:styleId="Normal">'
        '<w:name w:val="Normal"/></w:style></w:styles>')


def run(text, bold=False, size=None):
    props = ''
    if bold:
        props += '<w:b/>'
    if size:
        props += f'<w:sz w:val="{int(size * 2)}"/><w:szCs w:val="{int(size * 2)}"/>'
    rpr = f'<w:rPr>{props}</w:rPr>' if props else ''
    return f'<w:r>{rpr}<w:t xml:space="preserve">{escape(text)}</w:t></w:r>'


def para(*runs, align='both', after=3, before=0, indent=0, keep=False):
    """A paragraph; each argument is a text or a (text, bold) pair."""
    ppr = ''
    if keep:
        ppr += '<w:keepNext/>'
    ppr += f'<w:spacing w:before="{before * 20}" w:after="{after * 20}"/>'
    if indent:
        ppr += f'<w:ind w:left="{twips(indent)}"/>'
    ppr += f'<w:jc w:val="{align}"/>'
    body = ''.join(run(r) if isinstance(r, str) else run(*r) for r in runs)
    return f'<w:p><w:pPr>{ppr}</w:pPr>{body}</w:p>'


def table(rows, width_mm):
    """A borderless table of centred cells, columns of equal width."""
    cols = len(rows[0])
    cell_w = twips(width_mm / cols)
    grid = ''.join(f'<w:gridCol w:w="{cell_w}"/>' for _ in range(cols))
    out = (f'<w:tbl><w:tblPr><w:tblW w:w="{cell_w * cols}" w:type="dxa"/><w:tblLayout w:type="fixed"/>'
           f'</w:tblPr><w:tblGrid>{grid}</w:tblGrid>')
    for row in rows:
        out += '<w:tr>'
        for cell in row:
            out += f'<w:tc><w:tcPr><w:tcW w:w="{cell_w}" w:type="dxa"/></w:tcPr>'
            out += ''.join(para(*p, align='center', after=0) for p in cell)
            out += '</w:tc>'
        out += '</w:tr>'
    return out + '</w:tbl>'


def document(body, width, height, margin):
    orient = ' w:orient="landscape"' if width > height else ''
    m = twips(margin)
    return (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        f'<w:document xmlns:w="{W}"><w:body>{body}'
        f'<w:sectPr><w:pgSz w:w="{twips(width)}" w:h="{twips(height)}"{orient}/>'
        f'<w:pgMar w:top="{m}" w:right="{m}" w:bottom="{m}" w:left="{m}" w:header="0" w:footer="0" '
        'w:gutter="0"/></w:sectPr></w:body></w:document>')


def write_docx(path, document_xml, styles_xml):
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
        for name, data in (('[Content_Types].xml', CONTENT_TYPES), ('_rels/.rels', PACKAGE_RELS),
                           ('word/_rels/document.xml.rels', DOCUMENT_RELS), ('word/styles.xml', styles_xml),
                           ('word/document.xml', document_xml)):
            info = zipfile.ZipInfo(name, STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data.encode('utf-8'))


def contract():
    heading = dict(align='left', before=6, after=3, keep=True)
    body = [
        para(('ДОГОВОР ЗА ЗАЕМ СРЕЩУ ЗАЛОГ НА ДВИЖИМА ВЕЩ', True, 14), align='center', after=0),
        para(('№ dog_nomer', True, 13), align='center', after=12),
        para('Днес, date_c г., между:'),
        para(('VA(1)', True), ', със седалище и адрес на управление VA(2), ЕИК/БУЛСТАТ VA(3), '
             'обект: VA(4), представлявано от VA(5), наричано по-долу ', ('ЗАЕМОДАТЕЛ', True), ', и'),
        para(('Three_names', True), ', ЕГН EGN, лична карта № lk_nomer, издадена на lk_izdadena_na от '
             'lk_ot_MVR, с постоянен адрес Fixed_address и настоящ адрес Current_address, наричан по-долу ',
             ('ЗАЕМОПОЛУЧАТЕЛ', True), ','),
        para('се сключи настоящият договор за следното:', after=6),
        para(('I. ЗАЕМ И ЗАЛОГ', True), **heading),
        para('1. ЗАЕМОДАТЕЛЯТ предоставя на ЗАЕМОПОЛУЧАТЕЛЯ заем в размер на ', ('sum_c лв.', True),
             ' (словом: slovom_contract), който ЗАЕМОПОЛУЧАТЕЛЯТ получава в брой при подписване на договора.'),
        para('2. Заемът се предоставя за срок от Duration дни, с падеж ', ('Padezh г.', True)),
        para('3. За обезпечение на заема ЗАЕМОПОЛУЧАТЕЛЯТ предава на ЗАЕМОДАТЕЛЯ в залог следната своя '
             'движима вещ: ', ('item_name', True), ', item_SN', after=0),
        para('Марка: marka Модел: model Година на производство: godina Сериен номер: serien_nomer',
             indent=10, after=0, align='left'),
        para('Държ. рег. № reg_nomer, № на шасито: shasi_nomer,  № на мотора: motor_nomer', indent=10, after=0, align='left'),
        para('Полезен товар: polezen_tovar, Брой резервни гуми: rez_gumi Показания на километража: kilometrazh',
             indent=10, after=0, align='left'),
        para('drugi_belezi', indent=10, after=0, align='left'),
        para('Бележки: Notes', indent=10, before=3),
        para(('II. ЛИХВА И ТАКСИ', True), **heading),
        para('4. ЗАЕМОПОЛУЧАТЕЛЯТ дължи месечна лихва в размер на M_IR % върху сумата на заема. Лихвата за '
             'срока на договора е ', ('Dylzhimi_lihvi лв.', True), ' (словом: Slovom_Dylzh_lihvi).'),
        para('5. Еднократни такси: Ednokratni_taxi'),
        para('6. Дневни такси за срока на договора: Dnevni_taxi'),
        para('7. До падежа ЗАЕМОПОЛУЧАТЕЛЯТ връща общо ', ('suma_za_vry6tane лв.', True),
             ' – заема, лихвата и таксите.'),
        para(('III. ПРАВА И ЗАДЪЛЖЕНИЯ НА СТРАНИТЕ', True), **heading),
        para('8. ЗАЕМОПОЛУЧАТЕЛЯТ може да върне заема по всяко време преди падежа, като плати заема, лихвата '
             'и таксите до деня на плащането, и да получи обратно заложената вещ.'),
        para('9. Срещу плащане на дължимите до деня лихва и такси срокът на договора може да бъде удължен '
             'по съгласие на страните.'),
        para('10. Ако до падежа заемът не бъде върнат, ЗАЕМОДАТЕЛЯТ има право да продаде заложената вещ и '
             'да удовлетвори вземането си от цената ѝ.'),
        para('11. ЗАЕМОДАТЕЛЯТ пази заложената вещ с грижата на добър стопанин и я връща в състоянието, в '
             'което я е приел.'),
        para('12. ЗАЕМОПОЛУЧАТЕЛЯТ декларира, че вещта е негова собственост, не е обременена с права на '
             'трети лица и не е предмет на спор.'),
        para('13. За неуредените в договора въпроси се прилага българското законодателство. Договорът се '
             'състави в два еднообразни екземпляра – по един за всяка от страните.', after=24),
        table([[[[('ЗАЕМОДАТЕЛ:', True)]], [[('ЗАЕМОПОЛУЧАТЕЛ:', True)]]],
               [[[' ']], [[' ']]],
               [[['.......................................']], [['.......................................']]],
               [[['(VA(5))']], [['(Three_names)']]]], 170),
    ]
    return document(''.join(body), 210, 297, 20)


def label():
    body = para(('Договор № dogovor', True, 9), align='center', before=7, after=0) + \
        para(('item_name', False, 8), align='center', after=0)
    return document(body, 54, 17, 1.5)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'Programs')
    os.makedirs(out, exist_ok=True)
    write_docx(os.path.join(out, 'Dogovor_2009.docx'), contract(), styles('Times New Roman', 11))
    write_docx(os.path.join(out, '17x54.docx'), label(), styles('Arial', 9))


if __name__ == '__main__':
    main()
