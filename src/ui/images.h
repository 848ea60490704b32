#pragma once
#include <QIcon>
#include <QString>

class QAbstractButton;

namespace demovia::ui {

// The toolbar image list imgl_botoes (the images holder dm_imagens_01):
// 17 pictures of 16 x 16 pixels, embedded in the program. Every toolbar
// takes its buttons' pictures from it by index.
enum ButtonImage : int {
    imgImporta,       // open a text file
    imgExporta,       // write a text file
    imgImprime,       // print
    imgFecha,         // close the window
    imgInclui,        // new record
    imgAltera,        // change the record
    imgLocaliza,      // find
    imgApaga,         // delete the record
    imgAtualiza,      // reload
    imgProcessa,      // run, bring the chosen year
    imgAgrupa,        // group into age groups
    imgGrava,         // save
    imgConverte,      // convert a file's layout
    imgNovoModelo,    // new modifier model
    imgExcluiModelo,  // delete a modifier model
    imgListaMun,      // list of municipalities
    imgZeraArquivo,   // empty the file
    kButtonImages
};

// imgl_botoes[index]; a null icon outside 0 .. kButtonImages - 1.
QIcon buttonImage(int index);
// The index of the picture a button of that name shows (tb_importa,
// sb_localizar, ...); -1 for a button without one.
int buttonImageIndex(const QString& buttonName);
// Gives the button the picture its objectName calls for; false when the name
// has none.
bool applyButtonImage(QAbstractButton* button);

// The program's icon (16 and 32 pixels), for the windows and the
// about box.
QIcon applicationIcon();

} // namespace demovia::ui
