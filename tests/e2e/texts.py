"""Texts the program shows, written out independently of its sources."""

HELP_CAPTION = "Справка"

# The help is built from these pieces; 8 to 12 only for options given before -help.
HELP_PIECES = {
    1: "Установщик Орвента ЭЦП Browser plug-in.\n",
    2: "При запуске без параметров осуществляет установку с параметрами по умолчанию.\n",
    3: "\n",
    4: "Возможные параметры командной строки:\n",
    5: "  -?\t\t вывести данную справку\n",
    6: "  -velumargs \"<args>\" дополнительные параметры командной\n"
       " \t\t строки(<args>) для вызова msiexec /i\n"
       " \t\t при установке пакета MSI плагина\n",
    7: "  -silent\t\t подавить диалоговые окна\n",
    8: "  -cspargs \"<args>\"     дополнителные параметры командной\n"
       " \t\t строки (<args>) для вызова msiexec /i\n"
       " \t\t при установке пакета MSI Орвента CSP\n",
    9: "  -ucspargs \"<args>\"   дополнительные параметры командной\n"
       " \t\t строки (<args>) для вызова msiexec /i\n"
       " \t\t при установке пакета MSI Орвента УЭК CSP\n",
    10: "  -selectDlg\t вывести диалог выбора конфигурации\n \t\t Орвента CSP\n",
    11: "  -KC\t\t уровень KC Орвента CSP\n",
    12: "  -Lang\t\t язык Орвента CSP\n",
}


def help_text(provider=False, card_provider=False):
    pieces = [1, 2, 3, 4, 5, 6, 7]
    if provider:
        pieces.append(8)
    if card_provider:
        pieces.append(9)
    if provider:
        pieces += [10, 11, 12]
    return "".join(HELP_PIECES[number] for number in pieces)
