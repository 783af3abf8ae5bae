#pragma once
#include <QtCore>
#include <QtGui>
#include <QtWidgets>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>
