// The sample news: the news file the game reads by default (newspaper\news.ini) and the pictures
// of its newspaper pages. Its items show every kind the news knows: a gag, ticker items, a
// newspaper item with a picture, a dated item, an item with a year range, placeholders of towns,
// stations, players, firms and numbers, and a line longer than the reader keeps.
#pragma once

#include <string>

namespace sample_news {

std::string MakeNewsFile();
// Writes newspaper/news.ini and its pictures below root; false with a message when that fails.
bool WriteSampleNews(const std::string& root, std::string& error);

}  // namespace sample_news
