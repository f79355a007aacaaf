def esc(s, cp):
    out = []
    for ch in s:
        if ord(ch) < 0x80 and ch not in '\\{}':
            out.append(ch)
        elif ch in '\\{}':
            out.append('\\' + ch)
        else:
            out.append(''.join("\\'%02x" % b for b in ch.encode(cp)))
    return ''.join(out)

g = lambda s: esc(s, 'gbk')

wordpad = (
"{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052{\\fonttbl{\\f0\\fnil\\fcharset134 " + g("宋体") + ";}"
"{\\f1\\fswiss\\fprq2\\fcharset0 Calibri;}{\\f2\\fnil\\fcharset129 Malgun Gothic;}{\\f3\\fswiss\\fcharset204 Arial;}}\r\n"
"{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1\\pard\\sa200\\sl276\\slmult1\\lang2052\\f0\\fs22 " + g("各位同事：") + "\\par\r\n"
+ g("服务器将于今晚") + " 22:00 " + g("关机维护，请提前保存文件！") + "\\par\r\n"
"\\lang1033\\f1 Dear colleagues,\\line the server shuts down at 22:00 tonight.\\par\r\n"
"\\lang2052\\f0" + g("地址") + "\\tab Room 301\\par\r\n"
"\\lang1042\\f2" + esc("한국어", 'cp949') + "\\lang1049\\f3  " + esc("Привет", 'cp1251') + "\\lang2052\\f0  " + g("价格") + " \\'80 5\\par\r\n"
"}\r\n\x00")
open('wordpad_gbk.rtf', 'wb').write(wordpad.encode('ascii'))

word = (
"{\\rtf1\\adeflang1025\\ansi\\ansicpg936\\uc2\\adeff0\\deff0\\stshfdbch13\\stshfloch0\\stshfhich0\\stshfbi0\\deflang1033\\deflangfe2052"
"{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}"
"{\\f13\\fnil\\fcharset134\\fprq2{\\*\\panose 02010600030101010101}" + g("宋体") + "{\\*\\falt SimSun};}\r\n"
"{\\f36\\fnil\\fcharset134\\fprq2{\\*\\panose 02010600030101010101}@" + g("宋体") + ";}}"
"{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;}"
"{\\stylesheet{\\qj \\li0\\ri0\\nowidctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 \\af0\\afs24\\alang1025 \\ltrch\\fcs0 \\fs21\\lang1033\\langfe2052\\kerning2\\loch\\f0\\hich\\af0\\dbch\\af13\\cgrid\\langnp1033\\langfenp2052 \\snext0 " + g("正文") + ";}"
"{\\*\\cs10 \\additive \\ssemihidden " + g("默认段落字体") + ";}}\r\n"
"{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li360}{\\listname ;}\\listid1}}"
"{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\r\n"
"{\\*\\rsidtbl \\rsid1\\rsid2}{\\*\\generator Microsoft Word 11.0.0000;}{\\info{\\title " + g("通知") + "}{\\author user}{\\operator user}"
"{\\creatim\\yr2024\\mo1\\dy2\\hr9\\min30}{\\version1}{\\edmins0}{\\nofpages1}{\\nofwords0}{\\nofchars0}{\\*\\company x}{\\nofcharsws0}{\\vern24613}}\r\n"
"\\paperw11906\\paperh16838\\margl1800\\margr1800\\margt1440\\margb1440\\gutter0 \\deftab420\\ftnbj\\aenddoc\\formshade\\horzdoc\\dgmargin\\dghspace180\\dgvspace156\\dghorigin1800\\dgvorigin1440\\dghshow0\\dgvshow2\\jcompress\\lnongrid\r\n"
"\\sectd \\linex0\\headery851\\footery992\\colsx425\\endnhere\\sectlinegrid312\\sectspecifyl\\sftnbj {\\footer \\pard\\plain \\s2\\ql \\li0\\ri0\\widctlpar\\tqc\\tx4153\\tqr\\tx8306\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 \\af0\\afs24\\alang1025 \\ltrch\\fcs0 \\fs18\\lang1033\\langfe2052\\kerning2\\loch\\f0\\hich\\af0\\dbch\\af13\\cgrid\\langnp1033\\langfenp2052 "
"{\\field{\\*\\fldinst {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af0\\dbch\\af13\\loch\\f0  PAGE }}{\\fldrslt {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\lang1024\\langfe1024\\noproof\\hich\\af0\\dbch\\af13\\loch\\f0 1}}}"
"{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\par }}\r\n"
"{\\*\\pnseclvl1\\pnucrm\\pnstart1\\pnindent720\\pnhang {\\pntxta \\dbch .}}\r\n"
"\\pard\\plain \\qj \\li0\\ri0\\nowidctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 \\af0\\afs24\\alang1025 \\ltrch\\fcs0 \\fs21\\lang1033\\langfe2052\\kerning2\\loch\\af0\\hich\\af0\\dbch\\af13\\cgrid\\langnp1033\\langfenp2052 "
"{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af13\\dbch\\af13\\loch\\f13 " + g("各位同事：") + "}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \r\n\\par }"
"{\\listtext\\pard\\plain\\ltrpar \\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\fs21\\insrsid1 \\hich\\af0\\dbch\\af13\\loch\\f0 1.\\tab}"
"\\pard \\qj \\fi-360\\li360\\ri0\\nowidctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto\\ls1\\adjustright\\rin0\\lin360\\itap0 "
"{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af13\\dbch\\af13\\loch\\f13 " + g("服务器将于今晚") + "}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af0\\dbch\\af13\\loch\\f0 22:00}"
"{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af13\\dbch\\af13\\loch\\f13 " + g("关机，") + "\\u54620\\'3f\\'3f\\u44397\\'3f\\'3f" + g("同事请注意。") + "}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \r\n\\par }"
"\\pard \\qj \\li0\\ri0\\nowidctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 "
"{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \\hich\\af0\\dbch\\af13\\loch\\f0 See }{\\field{\\*\\fldinst {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af0\\dbch\\af13\\loch\\f0  HYPERLINK \"http://127.0.0.1/\" }{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 {\\*\\datafield 00d0c9ea79f9bace118c8200aa004ba90b02000000}}}"
"{\\fldrslt {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\cs15\\ul\\cf2\\hich\\af0\\dbch\\af13\\loch\\f0 the page}}}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af0\\dbch\\af13\\loch\\f0 .}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \r\n\\par }"
"\\trowd \\irow0\\irowband0\\ts11\\trgaph108\\trleft-108\\trbrdrt\\brdrs\\brdrw10 \\trftsWidth1\\trftsWidthB3\\trautofit1\\trpaddl108\\trpaddr108\\trpaddfl3\\trpaddfr3\\tblrsid1\\tbllkhdrrows\\tbllklastrow\\tbllkhdrcols\\tbllklastcol \\clvertalt\\clbrdrt\\brdrs\\brdrw10 \\cltxlrtb\\clftsWidth3\\clwWidth4261\\clshdrawnil \\cellx4153\\clvertalt\\cltxlrtb\\clftsWidth3\\clwWidth4261\\clshdrawnil \\cellx8414"
"\\pard\\plain \\qj \\li0\\ri0\\nowidctlpar\\intbl\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0 \\rtlch\\fcs1 \\af0\\afs24\\alang1025 \\ltrch\\fcs0 \\fs21\\lang1033\\langfe2052\\kerning2\\loch\\af0\\hich\\af0\\dbch\\af13\\cgrid\\langnp1033\\langfenp2052 "
"{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af13\\dbch\\af13\\loch\\f13 " + g("日期") + "}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \\cell }{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af0\\dbch\\af13\\loch\\f0 Name}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \\cell }"
"\\pard\\plain \\ql \\li0\\ri0\\widctlpar\\intbl\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0 \\rtlch\\fcs1 \\af0\\afs24\\alang1025 \\ltrch\\fcs0 \\fs21\\lang1033\\langfe2052\\kerning2\\loch\\af0\\hich\\af0\\dbch\\af13\\cgrid\\langnp1033\\langfenp2052 "
"{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \\trowd \\irow0\\irowband0\\ts11\\trgaph108\\trleft-108 \\cellx4153\\cellx8414\\row }"
"\\trowd \\irow1\\irowband1\\lastrow \\ts11\\trgaph108\\trleft-108 \\cellx4153\\cellx8414"
"\\pard\\plain \\qj \\li0\\ri0\\nowidctlpar\\intbl\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0 \\rtlch\\fcs1 \\af0\\afs24\\alang1025 \\ltrch\\fcs0 \\fs21\\lang1033\\langfe2052\\kerning2\\loch\\af0\\hich\\af0\\dbch\\af13\\cgrid\\langnp1033\\langfenp2052 "
"{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af13\\dbch\\af13\\loch\\f13 " + g("周一") + "}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \\cell }{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af0\\dbch\\af13\\loch\\f0 Li Wei}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \\cell }"
"\\pard\\plain \\ql \\li0\\ri0\\widctlpar\\intbl\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0 "
"{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \\trowd \\irow1\\irowband1\\lastrow \\ts11\\trgaph108\\trleft-108 \\cellx4153\\cellx8414\\row }"
"\\pard \\qj \\li0\\ri0\\nowidctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 "
"{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\hich\\af13\\dbch\\af13\\loch\\f13 " + g("完") + "}{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid1 \r\n\\par }"
"{\\*\\themedata 504b030414000600080000002100828abc13fa0000001c020000130000005b436f6e74656e745f54797065735d2e786d6cac91cb6ac3301045f785fe83d0b6d8}"
"{\\*\\latentstyles\\lsdstimax156\\lsdlockeddef0}}"
)
open('word2003_gbk.rtf', 'wb').write(word.encode('ascii'))
