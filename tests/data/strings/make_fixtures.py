#!/usr/bin/env python3
"""Writes the string-table fixtures: a realistic spreadsheet saved with CR LF
line ends, a second file that redefines a key, and a file cut off mid-row."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

HEAD = '''<?xml version="1.0"?>
<?mso-application progid="Excel.Sheet"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"
 xmlns:o="urn:schemas-microsoft-com:office:office"
 xmlns:x="urn:schemas-microsoft-com:office:excel"
 xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet"
 xmlns:html="http://www.w3.org/TR/REC-html40">
 <DocumentProperties xmlns="urn:schemas-microsoft-com:office:office">
  <Author>notEngine</Author>
  <Created>2024-03-01T10:00:00Z</Created>
 </DocumentProperties>
 <Styles>
  <Style ss:ID="Default" ss:Name="Normal">
   <Alignment ss:Vertical="Bottom"/>
   <Font ss:FontName="Arial"/>
  </Style>
  <Style ss:ID="s21">
   <Alignment ss:Vertical="Bottom" ss:WrapText="1"/>
  </Style>
 </Styles>
 <Worksheet ss:Name="%s">
  <Table ss:ExpandedColumnCount="3" ss:ExpandedRowCount="40" x:FullColumnCount="1" x:FullRows="1">
   <Column ss:Width="140"/>
   <Column ss:Width="320"/>
'''

TAIL = '''  </Table>
  <WorksheetOptions xmlns="urn:schemas-microsoft-com:office:excel">
   <Selected/>
   <ProtectObjects>False</ProtectObjects>
  </WorksheetOptions>
 </Worksheet>
</Workbook>
<Row><Cell><Data ss:Type="String">after_workbook</Data></Cell><Cell><Data ss:Type="String">ignored</Data></Cell></Row>
'''


def row(*cells):
    return '   <Row>\n' + ''.join('    ' + c + '\n' for c in cells) + '   </Row>\n'


def s(text, extra=''):
    return '<Cell%s><Data ss:Type="String">%s</Data></Cell>' % (extra, text)


MAIN = [
    row(s('{key}'), s('{text}'), s('{comment}')),
    row(s('window_title'), s('The Lighthouse Keeper'), s('shown in the title bar')),
    row(s('found_of'), s('Found %1% of %2%')),
    row(s('all_params'), s('%1%-%2%-%3%-%4%-%5%')),
    row(s('percent'), s('Save 100%% now')),
    row(s('place_name'), s('Harbour Town')),
    row(s('welcome'), s('Welcome to %place_name%!')),
    row(s('broken_ref'), s('Go to %no_such_key%')),
    row(s('raw_escapes'), s('%1% items in %place_name%')),
    row(s('entities'), s('Line one&#10;Line &quot;two&quot;&#160;&lt;b&gt; Tom&apos;s &amp;amp; &amp;lt;x&amp;gt;',
                         ' ss:StyleID="s21"')),
    row(s('key_&amp;_raw'), s('keys keep their entities')),
    row(s('empty_text'), '<Cell ss:StyleID="s21"/>'),
    row(s('after_empty'), s('Still here')),
    row('<Cell><Data ss:Type="String"></Data></Cell>', s('orphan text')),
    row(s('{section: hints}'), s('not a string')),
    row(s('multi_line'), s('First\nSecond', ' ss:StyleID="s21"')),
    row(s('discount'), s('Only 50%')),
    row(s('param_six'), s('%6%')),
    row(s('param_zero'), s('%0%')),
    row(s('skip_column'), s('Third column', ' ss:Index="3"')),
    row(s('answer'), '<Cell><Data ss:Type="Number">42</Data></Cell>'),
    row(s('greeting_de'), s('Grüße aus dem Hafen')),
    row(s('place_name'), s('Harbour Town')),
    row(s('last_row'), '<Cell ss:Index="2"/>'),
]

EXTRA = [
    row(s('{key}'), s('{text}')),
    row(s('place_name'), s('Lighthouse Point')),
    row(s('extra_only'), s('From the second file')),
]

CUT = (HEAD % 'cut' + row(s('first'), s('One')) + row(s('second'), s('Two')) +
       '   <Row>\n    <Cell><Data ss:Type="String">cut_key</Data></Cell>\n'
       '    <Cell><Data ss:Type="String">Half a sen')


def write(name, text, crlf=False):
    if crlf:
        text = text.replace('\n', '\r\n')
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(text.encode('utf-8'))


write('main.xml', HEAD % 'strings' + ''.join(MAIN) + TAIL, crlf=True)
write('extra.xml', HEAD % 'more' + ''.join(EXTRA) + TAIL)
write('truncated.xml', CUT)
