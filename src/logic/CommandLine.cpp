#include "logic/CommandLine.h"

std::optional<QString> CommandLineAnswer(const QByteArrayList &arguments)
{
    for (const QByteArray &argument : arguments) {
        if (argument == "--version")
            return QStringLiteral("Tilora " TILORA_VERSION "\n");
        if (argument == "--help" || argument == "-h") {
            return QStringLiteral(
                "Aufruf: tilora [--help | --version]\n"
                "Tilora ist ein Schiebepuzzle: Ein Bild wird in 4 × 4 bis 12 × 12 Steine mit einem\n"
                "freien Feld zerlegt, gemischt und gegen die Uhr wieder zusammengeschoben.\n"
                "\n"
                "  -h, --help     zeigt diese Hilfe und endet\n"
                "      --version  zeigt die Version und endet\n"
                "\n"
                "Ohne Option startet das Spiel; läuft es auf diesem Bildschirm schon, kommt es\n"
                "nach vorn. Tasten und Regeln erklären die Hilfe im Spiel (F1) und \"man tilora\".\n");
        }
    }
    return std::nullopt;
}
