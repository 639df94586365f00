#include <algorithm>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "app/chat_view_control.h"
#include "app/date_selector_control.h"
#include "app/main_window.h"
#include "app/player_list_control.h"
#include "app/time_label_control.h"

namespace zelkam {

// The children stand where the design puts them at 500 x 580. Room beyond
// that goes to what can use it: extra width to the player list, the chat and
// the time bar, with the buttons and the map label keeping their distance to
// the right edge; extra height to the player list (three parts) and the chat
// (one part), with everything below them keeping its distance to the bottom.
// A community's server selector takes a row under the date from the player
// list's top, so the window keeps its size.
void MainWindow::layoutChildren()
{
    if (!playerList_ || !chatView_ || !timeLabel_ || !dateSelector_)
        return;
    // The window is never smaller than its design size, so both are >= 0.
    const int extraWidth = std::max(0, width() - ClientWidth);
    const int extraHeight = std::max(0, height() - ClientHeight);
    const int listShare = extraHeight * 3 / 4;
    const int chatShare = extraHeight - listShare;
    const bool serverRow = servers_.community;
    const int serverRowHeight = serverRow ? 28 : 0;
    if (serverCaption_ && serverSelector_) {
        serverCaption_->setGeometry(20, 52, 40, 24);
        // As wide as the lists below it: a server's hostname follows its name.
        serverSelector_->setGeometry(64, 48, 420 + extraWidth, 24);
        serverCaption_->setVisible(serverRow);
        serverSelector_->setVisible(serverRow);
        nameServerItems();
    }
    playerList_->window()->setGeometry(16, 56 + serverRowHeight, 468 + extraWidth, 332 + listShare - serverRowHeight);
    chatView_->window()->setGeometry(16, 396 + listShare, 468 + extraWidth, 80 + chatShare);
    timeLabel_->window()->setGeometry(16, 532 + extraHeight, 64, 24);
    trackbar_->setGeometry(96, 532 + extraHeight, 388 + extraWidth, 32);
    mapLabel_->move(308 + extraWidth, 20);
    const struct {
        Command command;
        int x;
        int y;
    } buttons[] = {
        {Rewind, 30, 492},        {Pause, 70, 492},           {Play, 110, 492},
        {Fast, 150, 492},         {Fastest, 190, 492},        {OpenFind, 260 + extraWidth, 492},
        {RconScan, 340 + extraWidth, 492}, {OpenAbout, 420 + extraWidth, 492}, {ChangeFolder, 460 + extraWidth, 16},
    };
    for (const auto& b : buttons)
        button(b.command)->move(b.x, b.command == ChangeFolder ? b.y : b.y + extraHeight);
}

} // namespace zelkam
