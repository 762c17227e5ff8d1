#include "panels/ui/panel.h"

TPanel::TPanel(TPanelHost& host, QWidget* parent) : QWidget(parent), Host(host) {}
