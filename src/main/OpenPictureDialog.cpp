#include "main/OpenPictureDialog.h"

#include "desktop/OverrideCursorLift.h"
#include "logic/PictureDecoding.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

namespace {

QString pictureFileFilter()
{
    // The first pair offers every kind the game reads here; the classic ones follow, then those
    // the toolkit reads.
    QStringList every {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.bmp"),
        QStringLiteral("*.ico"), QStringLiteral("*.emf"), QStringLiteral("*.wmf")};
    QString further;
    for (const PictureFormat &format : FurtherPictureFormats()) {
        every += format.patterns;
        further += u'|' + format.description + u'|' + format.patterns.join(u';');
    }
    const QString all = every.join(u';');
    return QStringLiteral("Alle Dateien (%1)|%1|").arg(all)
        + QStringLiteral(
            "JPEG Bilddatei (*.jpg)|*.jpg|JPEG Bilddatei (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
            "Symbole (*.ico)|*.ico|Erweiterte Metadateien (*.emf)|*.emf|Metadateien (*.wmf)|*.wmf")
        + further;
}

} // namespace

std::vector<std::pair<QString, QString>> PictureFilterPairs(const QString &filter)
{
    std::vector<std::pair<QString, QString>> pairs;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2)
        pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

QString RunOpenPictureDialog(QWidget *parent, const QString &currentPicture)
{
    // Our own dialog rather than the desktop's: it has room for the preview, and it shows
    // the filter descriptions exactly as written.
    QFileDialog dialog(parent, QStringLiteral("Bild laden"));
    // The next picture is most likely found beside the last one. A built-in motif has no
    // folder: the dialog opens where the program was started.
    const QFileInfo current(currentPicture);
    if (!currentPicture.isEmpty() && current.isFile())
        dialog.setDirectory(current.absolutePath());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);

    const auto pairs = PictureFilterPairs(pictureFileFilter());
    QStringList descriptions;
    for (const auto &pair : pairs)
        descriptions << pair.first;
    dialog.setNameFilters(descriptions);
    dialog.selectNameFilter(descriptions.value(0));

    // The descriptions name their patterns separated by ";", which the dialog would take as
    // one pattern; hand the model the patterns one by one.
    auto *model = dialog.findChild<QFileSystemModel *>();
    auto applyPatterns = [&pairs, model](const QString &description) {
        if (!model)
            return;
        for (const auto &pair : pairs) {
            if (pair.first == description) {
                model->setNameFilters(pair.second.split(QLatin1Char(';'), Qt::SkipEmptyParts));
                model->setNameFilterDisables(false);
                return;
            }
        }
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, applyPatterns);
    applyPatterns(descriptions.value(0));

    auto *preview = new QLabel(&dialog);
    preview->setObjectName(QStringLiteral("Vorschau"));
    preview->setFixedSize(180, 180);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
        grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString &path) {
                         preview->clear();
                         if (!QFileInfo(path).isFile())
                             return;
                         if (auto picture = DecodePictureFile(path, preview->size())) {
                             preview->setPixmap(QPixmap::fromImage(picture->scaled(
                                 preview->size() - QSize(4, 4), Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation)));
                         }
                     });

    const OverrideCursorLift lift;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}
