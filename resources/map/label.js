// Text labels fixed to a point of the map, in the map's own pane so that they move with it.
//
// A route brings thousands of labels. They are placed together, once per batch of changes and once
// per zoom: the route's first and last labels always, then the others in route order wherever
// they do not cover a label already placed; the rest wait until the map is zoomed in far enough.
// Every label's point stays on the map as a dot. Only the placed labels in and near the view are
// in the page at a time, and a label's element is made the first time it is needed: most labels
// of a long route never come into the page at all.

function TLabel() {}

// What a label's box shows: a div of the style holding the text in bold on one line. The text is
// set as text, so a caption can never bring markup or script into the page.
function TLabelBox(astyle, text) {
  this.className = String(astyle);
  this.text = String(text);
}
TLabelBox.prototype.toNode = function () {
  var div = document.createElement('div');
  div.className = this.className;
  div.textContent = this.text;
  return div;
};

function TLabelContent(astyle, text) {
  return new TLabelBox(astyle, text);
}

// Fill and edge of a style's dot: the colours of its label.
var TLabelDotColours = {
  redlabel: ['red', 'darkred'],
  bluelabel: ['deepskyblue', 'navy'],
  greenlabel: ['lime', 'green'],
  yellowlabel: ['yellow', 'darkkhaki'],
  graylabel: ['silver', 'black']
};

TLabel.prototype.initialize = function (map) {
  this.map_ = map;
  var c = this.content;
  if (c instanceof TLabelBox) {
    this.style_ = c.className;
    this.text_ = c.text;
  } else if (c instanceof Node) {
    this.style_ = String(c.className || '');
    this.text_ = c.textContent;
  } else {
    this.style_ = '';
    this.text_ = String(c);
  }
  this.el_ = null;
  if (this.percentOpacity !== undefined) this.setOpacity(this.percentOpacity);
  if (!this.markerOffset) this.markerOffset = { width: 0, height: 0 };
  this.shiftY_ = 0;
  this.p0_ = null;
  if (this.anchorPoint === 'center') {
    // Centred on its point by a shift of half its own size, and its size estimated from the text
    // (see tlabelSize_): measuring thousands of labels would lay the page out once per label.
    this.w_ = 0;
    this.h_ = 0;
  } else {
    // Measured in the page's body, where nothing around it can narrow it.
    var span = this.element_;
    document.body.appendChild(span);
    this.w_ = span.offsetWidth;
    this.h_ = span.offsetHeight;
    document.body.removeChild(span);
  }
  map.tlabelsTrack_(this);
};

// The label's element: a span with the label's id, absolutely placed over the map.
Object.defineProperty(TLabel.prototype, 'element_', {
  get: function () {
    if (this.el_) return this.el_;
    var span = document.createElement('span');
    span.id = this.id;
    var c = this.content;
    if (c instanceof TLabelBox) span.appendChild(c.toNode());
    else if (c instanceof Node) span.appendChild(c);
    else span.textContent = String(c);
    span.style.position = 'absolute';
    span.style.whiteSpace = 'nowrap';
    span.style.zIndex = 1;
    if (this.anchorPoint === 'center') span.style.transform = 'translate(-50%, -50%)';
    if (this.opacity_ !== undefined) span.style.opacity = this.opacity_;
    this.el_ = span;
    return span;
  }
});

// The label's point in pixels of the whole world at zoom 0 (see gWorldPoint0).
TLabel.prototype.worldPoint_ = function () {
  if (!this.p0_) {
    this.p0_ = [0, 0];
    var p = this.anchorLatLng.latLng_;
    gWorldPoint0(p.lat, p.lng, this.p0_);
  }
  return this.p0_;
};

// The shift from the anchor's pixel to the box's top left corner.
TLabel.prototype.anchorShift_ = function (w, h) {
  switch (this.anchorPoint) {
    case 'topCenter': return [-Math.floor(w / 2), 0];
    case 'topRight': return [-w, 0];
    case 'midRight': return [-w, -Math.floor(h / 2)];
    case 'bottomRight': return [-w, -h];
    case 'bottomCenter': return [-Math.floor(w / 2), -h];
    case 'bottomLeft': return [0, -h];
    case 'midLeft': return [0, -Math.floor(h / 2)];
    case 'center': return [-w / 2, -h / 2];
    default: return [0, 0];  // 'topLeft' and anything else
  }
};

TLabel.prototype.setPosition = function (latlng) {
  if (latlng) {
    this.anchorLatLng = latlng;
    this.p0_ = null;
  }
  var e = this.el_;
  if (!e || !e.parentNode) return;  // placed when it comes into view
  var p = this.map_.fromLatLngToDivPixel(this.anchorLatLng);
  var x = Math.trunc(p.x), y = Math.trunc(p.y) + this.shiftY_;
  if (this.anchorPoint !== 'center') {  // 'center' is shifted by its transform (see element_)
    var s = this.anchorShift_(this.w_, this.h_);
    x += s[0];
    y += s[1];
  }
  e.style.left = (x - this.markerOffset.width) + 'px';
  e.style.top = (y - this.markerOffset.height) + 'px';
};

TLabel.prototype.setOpacity = function (p) {
  p = Math.max(0, Math.min(100, Number(p)));
  this.opacity_ = p / 100;
  if (this.el_) this.el_.style.opacity = this.opacity_;
};

// The dots of a map's labels: one path on a canvas of their own that draws all of them.
var TDotSet = L.Path.extend({
  options: { interactive: false, radius: 3, weight: 1 },

  initialize: function (options) {
    L.setOptions(this, options);
    this.labels_ = [];
    this.xs_ = [];
    this.ys_ = [];
  },

  add_: function (label) {
    var style = label.style_.toLowerCase();
    label.dotColours_ = TLabelDotColours[style] || TLabelDotColours.graylabel;
    this.labels_.push(label);
  },

  // The points of the dots drawn.
  getLatLngs: function () {
    return this.labels_.filter(function (l) { return !l.removed_; }).map(function (l) { return l.anchorLatLng.latLng_; });
  },

  _project: function () {
    var list = this.labels_ = this.labels_.filter(function (l) { return !l.removed_; });
    gProjectLayer(this, list.length, function (i, p) {
      var q = list[i].worldPoint_();
      p[0] = q[0];
      p[1] = q[1];
    }, this.options.radius + this.options.weight);
  },

  _update: function () {
    if (this._map) this._updatePath();
  },

  _updatePath: function () {
    var renderer = this._renderer;
    if (!renderer._drawing) return;
    var ctx = renderer._ctx, list = this.labels_, xs = this.xs_, ys = this.ys_, n = xs.length;
    var r = this.options.radius, pad = r + this.options.weight;
    var b = renderer._bounds, minX = b.min.x - pad, minY = b.min.y - pad, maxX = b.max.x + pad, maxY = b.max.y + pad;
    ctx.globalAlpha = 1;
    ctx.lineWidth = this.options.weight;
    ctx.lineCap = 'round';
    ctx.lineJoin = 'round';
    if (ctx.setLineDash) ctx.setLineDash([]);
    // One by one, each filled and edged, so that a dot covers the ones before it.
    var colours = null;
    for (var i = 0; i < n; i++) {
      var x = xs[i], y = ys[i];
      if (x < minX || x > maxX || y < minY || y > maxY) continue;
      if (list[i].dotColours_ !== colours) {
        colours = list[i].dotColours_;
        ctx.fillStyle = colours[0];
        ctx.strokeStyle = colours[1];
      }
      ctx.beginPath();
      ctx.arc(x, y, r, 0, Math.PI * 2, false);
      ctx.fill();
      ctx.stroke();
    }
  },

  _containsPoint: function () {
    return false;
  }
});

// Labels of a map, in the order they were added, with their dots and placement.
GMap2.prototype.tlabelsTrack_ = function (label) {
  var gmap = this;
  if (!this.tlabels_) {
    this.tlabels_ = {};
    this.tlabelList_ = [];
    this.tlabelPlacedZoom_ = null;
    this.map_.createPane('tdotPane').style.zIndex = 450;  // over the line, under the labels
    this.tdots_ = L.canvas({ pane: 'tdotPane' });
    this.tdotLayer_ = new TDotSet({ renderer: this.tdots_ });
    this.map_.on('zoomend', function () { gmap.tlabelPlacedZoom_ = null; gmap.showTLabels_(); });
    this.map_.on('moveend', function () { gmap.showTLabels_(); });
  }
  if (this.tlabels_[label.id]) this.removeTLabelById(label.id);
  this.tlabels_[label.id] = label;
  this.tlabelList_.push(label);
  this.tdotLayer_.add_(label);
  this.tlabelsChanged_();
};

// Changes come in batches of scripts; the labels are placed and the dots drawn once after each
// script.
GMap2.prototype.tlabelsChanged_ = function () {
  this.tlabelPlacedZoom_ = null;
  this.tdotsChanged_ = true;
  if (this.tlabelsPending_) return;
  this.tlabelsPending_ = true;
  var gmap = this;
  Promise.resolve().then(function () {
    gmap.tlabelsPending_ = false;
    gmap.showTLabels_();
  });
};

GMap2.prototype.showTLabels_ = function () {
  if (!this.tlabels_ || !this.map_._loaded) return;
  var m = this.map_;
  if (this.tdotsChanged_) {
    this.tdotsChanged_ = false;
    if (this.tdotLayer_._map) this.tdotLayer_.redraw();
    else this.tdotLayer_.addTo(m);
  }
  if (this.tlabelPlacedZoom_ !== m.getZoom()) this.placeTLabels_();

  // Placed labels within half a view of the window are in the page.
  var size = m.getSize(), k = Math.pow(2, m.getZoom()), origin = m.getPixelOrigin();
  var view = L.bounds(m.containerPointToLayerPoint([-size.x / 2, -size.y / 2]),
                      m.containerPointToLayerPoint([size.x * 1.5, size.y * 1.5]));
  var pane = this.getPane(G_MAP_MAP_PANE);
  var list = this.tlabelList_;
  for (var i = 0; i < list.length; i++) {
    var label = list[i], e = label.el_, wanted = false;
    if (label.placed_) {
      var p = label.worldPoint_(), x = p[0] * k - origin.x, y = p[1] * k - origin.y;
      wanted = x >= view.min.x && x <= view.max.x && y >= view.min.y && y <= view.max.y;
    }
    if (wanted) {
      e = label.element_;
      if (e.parentNode !== pane) pane.appendChild(e);
      label.setPosition();
    } else if (e && e.parentNode) {
      e.parentNode.removeChild(e);
    }
  }
};

// The size a label's box takes, from its text: the label font's width of the text and what a
// sample label adds around it.
GMap2.prototype.tlabelSize_ = function (label) {
  if (label.anchorPoint !== 'center') return [label.w_, label.h_];
  if (!this.tlabelMeasure_) {
    var sample = TLabelContent('redlabel', 'M').toNode();
    var holder = document.createElement('span');
    holder.style.position = 'absolute';
    holder.style.whiteSpace = 'nowrap';
    holder.appendChild(sample);
    this.getPane(G_MAP_MAP_PANE).appendChild(holder);
    var cs = getComputedStyle(sample);
    var ctx = document.createElement('canvas').getContext('2d');
    ctx.font = [cs.fontStyle, cs.fontWeight, cs.fontSize, cs.fontFamily].join(' ');
    var rect = sample.getBoundingClientRect();
    // With digits of one width (as in most fonts) a caption measures as its shape with every
    // digit a 0: a route's thousands of numbers take a handful of measurements.
    var digits = {};
    for (var d = 0; d <= 9; d++) digits[ctx.measureText(String(d)).width] = true;
    this.tlabelMeasure_ = {
      ctx: ctx, extra: rect.width - ctx.measureText('M').width, height: Math.ceil(rect.height), widths: {},
      evenDigits: Object.keys(digits).length === 1
    };
    holder.parentNode.removeChild(holder);
  }
  var t = this.tlabelMeasure_, text = t.evenDigits ? label.text_.replace(/[0-9]/g, '0') : label.text_;
  var w = t.widths[text];
  if (w === undefined) w = t.widths[text] = Math.ceil(t.ctx.measureText(text).width + t.extra) + 1;
  return [w, t.height];
};

// Decides which labels show at this zoom: a label shows when its box, two pixels wider on every
// side (pixel rounding), covers no label placed before it. The first and last always show; when
// they would cover each other the last moves below the first.
GMap2.prototype.placeTLabels_ = function () {
  var m = this.map_, zoom = m.getZoom(), k = Math.pow(2, zoom);
  this.tlabelList_ = this.tlabelList_.filter(function (l) { return !l.removed_; });
  var list = this.tlabelList_, n = list.length;
  // Placed boxes by the cells of a grid they touch; a cell's key packs its column and row.
  var cell = 64, grid = new Map(), gmap = this;
  var box = function (label) {
    var p = label.worldPoint_(), size = gmap.tlabelSize_(label);
    var s = label.anchorShift_(size[0], size[1]);
    var x = p[0] * k + s[0] - label.markerOffset.width, y = p[1] * k + s[1] - label.markerOffset.height;
    return [x - 2, y - 2, x + size[0] + 2, y + size[1] + 2];
  };
  var free = function (b) {
    for (var cx = Math.floor(b[0] / cell), cx2 = Math.floor(b[2] / cell); cx <= cx2; cx++)
      for (var cy = Math.floor(b[1] / cell), cy2 = Math.floor(b[3] / cell); cy <= cy2; cy++) {
        var there = grid.get(cx * 4194304 + cy);
        if (!there) continue;
        for (var i = 0; i < there.length; i++) {
          var o = there[i];
          if (b[0] < o[2] && o[0] < b[2] && b[1] < o[3] && o[1] < b[3]) return false;
        }
      }
    return true;
  };
  var take = function (b) {
    for (var cx = Math.floor(b[0] / cell), cx2 = Math.floor(b[2] / cell); cx <= cx2; cx++)
      for (var cy = Math.floor(b[1] / cell), cy2 = Math.floor(b[3] / cell); cy <= cy2; cy++) {
        var key = cx * 4194304 + cy, there = grid.get(key);
        if (there) there.push(b);
        else grid.set(key, [b]);
      }
  };
  for (var i = 0; i < n; i++) {
    list[i].placed_ = false;
    list[i].shiftY_ = 0;
  }
  if (n > 0) {
    var first = box(list[0]);
    take(first);
    list[0].placed_ = true;
    if (n > 1) {
      var last = box(list[n - 1]);
      if (!free(last)) {
        list[n - 1].shiftY_ = Math.ceil(first[3] - last[1]);
        last = [last[0], last[1] + list[n - 1].shiftY_, last[2], last[3] + list[n - 1].shiftY_];
      }
      take(last);
      list[n - 1].placed_ = true;
    }
  }
  for (var j = 1; j < n - 1; j++) {
    var b = box(list[j]);
    if (free(b)) {
      take(b);
      list[j].placed_ = true;
    }
  }
  this.tlabelPlacedZoom_ = zoom;
};

GMap2.prototype.addTLabel = function (label) {
  label.initialize(this);
};

GMap2.prototype.removeTLabelById = function (id) {
  var label = this.tlabels_ ? this.tlabels_[id] : undefined;
  var pane = this.getPane(G_MAP_MAP_PANE);
  var element = label ? label.el_ : pane.firstChild ? document.getElementById(id) : null;
  if (element && element.parentNode === pane) pane.removeChild(element);
  if (!label) return;
  delete this.tlabels_[id];
  label.removed_ = true;
  this.tlabelsChanged_();
};

GMap2.prototype.removeTLabel = function (label) {
  this.removeTLabelById(label.id);
};

GMap2.prototype.changePosition = function (id, latlng) {
  var label = this.tlabels_ ? this.tlabels_[id] : undefined;
  if (!label) return;
  label.setPosition(latlng);
  this.tlabelsChanged_();
};
