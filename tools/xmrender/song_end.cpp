// Song end detection after each tick.
#include "tools/xmrender/song_end.h"

using namespace music;

bool songHasEnded(const Song& song, void* context) {
    auto& watch = *static_cast<SongEndWatch*>(context);
    int32_t order = song.orderPosition;
    bool inTable = order >= 0 && order < static_cast<int32_t>(watch.played.size());
    bool jumped = watch.jumpPending || (watch.lastOrder >= 0 && order != watch.lastOrder);
    bool ended = false;
    if (jumped && watch.lastOrder >= 0) {
        bool revisits = inTable && watch.played[static_cast<size_t>(order)];
        bool wrapsFromLast = watch.lastOrder == song.songLength - 1 && order < watch.lastOrder;
        ended = revisits || wrapsFromLast;
    }
    if (inTable) watch.played[static_cast<size_t>(order)] = true;
    watch.lastOrder = order;
    // After a tick that leaves the row counter at 0, a set jumpPosition is
    // where the next tick continues: the pattern ended or Bxx/Dxx fired.
    watch.jumpPending = song.tick == 0 && song.jumpPosition >= 0;
    return ended;
}
