// The agents' console. Everything a customer wrote reaches the page as text (textContent) only;
// the token lives in this module's memory, never in storage or a URL.

const ROW_HEIGHT = 76;
const OVERSCAN = 6;

const $ = (id) => document.getElementById(id);

const state = {
  token: null,
  agent: null,
  scoreLabels: new Map(),
  conversations: new Map(),  // id -> AgentConversation, with customerName and lastMessage
  sorted: { OPEN: [], CLOSED: [] },
  tab: "OPEN",
  openId: null,
  messages: new Map(),  // offset -> Message of the open conversation
  socket: null,
  retryDelay: 1000,
  retryTimer: null,
  listDirty: false,
  frame: 0,
  session: 0,  // bumps at sign-out, so that late answers of the old session are dropped
};

class ProblemError extends Error {
  constructor(status, detail) {
    super(detail);
    this.status = status;
  }
}

async function api(method, path, body, { retryKey } = {}) {
  const headers = { "Accept": "application/json" };
  if (state.token) headers["Authorization"] = "Bearer " + state.token;
  if (body !== undefined) headers["Content-Type"] = "application/json";
  if (retryKey) headers["Idempotency-Key"] = retryKey;
  const session = state.session;
  const response = await fetch(path, {
    method, headers, body: body === undefined ? undefined : JSON.stringify(body),
    cache: "no-store", credentials: "omit",
  });
  if (session !== state.session) throw new ProblemError(0, "signed out");
  let answer = null;
  try { answer = await response.json(); } catch { answer = null; }
  if (!response.ok) {
    if (response.status === 401 && state.token) signOut("Your session has ended. Please sign in again.");
    throw new ProblemError(response.status, (answer && answer.detail) || response.statusText);
  }
  return answer;
}

// --- Signing in and out -------------------------------------------------------------------------

async function signIn(event) {
  event.preventDefault();
  const email = $("email").value.trim();
  const password = $("password").value;
  $("sign-in-error").textContent = "";
  $("sign-in-button").disabled = true;
  try {
    const answer = await api("POST", "/v1/agent/sessions", { email, password });
    state.token = answer.token;
    state.agent = answer.agent;
  } catch (error) {
    $("sign-in-error").textContent = error.status === 401 ? "Wrong e-mail or password."
      : error.status === 0 || error instanceof TypeError ? "The desk cannot be reached."
      : "Signing in failed: " + error.message;
    return;
  } finally {
    $("sign-in-button").disabled = false;
    $("password").value = "";
  }
  $("agent-name").textContent = state.agent.name || state.agent.email;
  $("sign-in").hidden = true;
  $("desk").hidden = false;
  await start();
}

async function start() {
  try {
    // Live first, then the list: nothing committed in between is missed.
    await connectLive();
    const [scores, list] = await Promise.all([
      api("GET", "/v1/scores"),
      api("GET", "/v1/agent/conversations"),
    ]);
    for (const score of scores.scores) state.scoreLabels.set(score.id, score.label);
    for (const conversation of list.conversations)
      // What an event brought during the load is newer than the list.
      if (!state.conversations.has(conversation.id)) state.conversations.set(conversation.id, conversation);
    resort();
  } catch (error) {
    if (state.token) $("live-state").textContent = "Loading failed: " + error.message;
  }
}

function signOut(message) {
  state.session += 1;
  state.token = null;
  state.agent = null;
  clearTimeout(state.retryTimer);
  if (state.socket) {
    const socket = state.socket;
    state.socket = null;
    socket.onclose = null;
    socket.close(1000, "signed out");
  }
  state.conversations.clear();
  state.sorted = { OPEN: [], CLOSED: [] };
  state.openId = null;
  state.messages.clear();
  $("messages").replaceChildren();
  $("conversation-view").hidden = true;
  $("empty-state").hidden = false;
  $("reply").value = "";
  drawList();
  $("desk").hidden = true;
  $("sign-in").hidden = false;
  $("sign-in-error").textContent = typeof message === "string" ? message : "";
  $("email").focus();
}

// --- The live socket ------------------------------------------------------------------------------

async function connectLive() {
  const session = state.session;
  const { ticket } = await api("POST", "/v1/socket-tickets");
  if (session !== state.session) return;
  const scheme = location.protocol === "https:" ? "wss:" : "ws:";
  const socket = new WebSocket(`${scheme}//${location.host}/v1/agent/live?ticket=${encodeURIComponent(ticket)}`);
  state.socket = socket;
  await new Promise((resolve) => {
    socket.onopen = () => {
      state.retryDelay = 1000;
      $("live-state").textContent = "Live";
      resolve();
    };
    socket.onmessage = (event) => onLive(JSON.parse(event.data));
    socket.onclose = () => {
      resolve();
      if (state.socket !== socket) return;
      state.socket = null;
      $("live-state").textContent = "Reconnecting…";
      state.retryTimer = setTimeout(reconnect, state.retryDelay);
      state.retryDelay = Math.min(state.retryDelay * 2, 10000);
    };
  });
}

async function reconnect() {
  if (!state.token) return;
  try {
    await connectLive();
    if (!state.socket) return;
    // What changed while the socket was down.
    const list = await api("GET", "/v1/agent/conversations");
    for (const conversation of list.conversations) upsert(conversation);
    resort();
    if (state.openId) await loadMessages(state.openId);
  } catch {
    if (state.token && !state.socket) state.retryTimer = setTimeout(reconnect, state.retryDelay);
  }
}

function onLive(event) {
  if (!event.conversation) return;
  if (event.type === "MESSAGE" && event.message) event.conversation.lastMessage = event.message;
  const known = upsert(event.conversation);
  if (!known) fillIn(event.conversation.id);
  scheduleList();
  if (event.conversation.id === state.openId) {
    if (event.message) addMessages([event.message]);
    drawConversation();
    // The agent has the conversation in front of them: what arrives is seen.
    if (event.message && event.message.direction === "INBOUND") markSeen(state.openId);
  }
}

// An event carries no customer's name; the first one of a conversation asks for it.
async function fillIn(id) {
  try {
    const full = await api("GET", `/v1/agent/conversations/${encodeURIComponent(id)}`);
    const current = state.conversations.get(id);
    if (!current) return;
    current.customerName = full.customerName;
    if (!current.lastMessage) current.lastMessage = full.lastMessage;
    scheduleList();
    if (id === state.openId) drawConversation();
  } catch { /* the next event or reload tries again */ }
}

// Keeps what the newer record lacks (name, newest message). Answers whether it was known.
function upsert(conversation) {
  const old = state.conversations.get(conversation.id);
  const merged = Object.assign({}, old || {}, conversation);
  state.conversations.set(conversation.id, merged);
  return Boolean(old && old.customerName !== undefined);
}

// --- The lists ------------------------------------------------------------------------------------

function resort() {
  const open = [], closed = [];
  for (const conversation of state.conversations.values())
    (conversation.status === "CLOSED" ? closed : open).push(conversation);
  // Newest activity first; the wire's times sort as texts.
  const newestFirst = (a, b) => (a.updatedDateTime < b.updatedDateTime ? 1 : a.updatedDateTime > b.updatedDateTime ? -1
    : b.number - a.number);
  open.sort(newestFirst);
  closed.sort(newestFirst);
  state.sorted = { OPEN: open, CLOSED: closed };
  state.listDirty = false;
  drawList();
}

function scheduleList() {
  state.listDirty = true;
  if (state.frame) return;
  state.frame = requestAnimationFrame(() => {
    state.frame = 0;
    if (state.listDirty) resort();
  });
}

function drawList() {
  $("open-count").textContent = String(state.sorted.OPEN.length);
  $("closed-count").textContent = String(state.sorted.CLOSED.length);
  const rows = state.sorted[state.tab];
  const list = $("list");
  $("list-spacer").style.height = rows.length * ROW_HEIGHT + "px";
  // Only the rows in view (and a few around) are in the document.
  const first = Math.max(0, Math.floor(list.scrollTop / ROW_HEIGHT) - OVERSCAN);
  const last = Math.min(rows.length, Math.ceil((list.scrollTop + list.clientHeight) / ROW_HEIGHT) + OVERSCAN);
  const fragment = document.createDocumentFragment();
  for (let i = first; i < last; i += 1) fragment.append(rowFor(rows[i], i));
  list.replaceChildren($("list-spacer"), fragment);
}

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

function rowFor(conversation, index) {
  const row = element("div", "row" + (conversation.id === state.openId ? " selected" : ""));
  row.style.top = index * ROW_HEIGHT + "px";
  row.setAttribute("role", "option");
  row.dataset.id = conversation.id;
  const top = element("div", "line");
  top.append(element("span", "name", conversation.customerName || "Customer"));
  if (conversation.unseenByAgent > 0) top.append(element("span", "unseen", String(conversation.unseenByAgent)));
  top.append(element("span", "time", shortTime(conversation.updatedDateTime)));
  row.append(top, element("div", "subject", `#${conversation.number} ${conversation.subject}`),
    element("div", "last", lastText(conversation.lastMessage)));
  return row;
}

function lastText(message) {
  if (!message) return "";
  if (message.contentType === "TEXT") return (message.direction === "OUTBOUND" ? "You: " : "") + message.message;
  return message.eventDescription || "";
}

function parseWireDate(text) {
  // "2026-12-09T14:00:00.000+0000"
  return text ? new Date(text.replace(/\+0000$/, "Z")) : null;
}

function shortTime(text) {
  const date = parseWireDate(text);
  if (!date || isNaN(date)) return "";
  const today = new Date();
  return date.toDateString() === today.toDateString()
    ? date.toLocaleTimeString([], { hour: "2-digit", minute: "2-digit" })
    : date.toLocaleDateString([], { day: "2-digit", month: "2-digit", year: "2-digit" });
}

function selectTab(tab) {
  state.tab = tab;
  $("tab-open").setAttribute("aria-selected", String(tab === "OPEN"));
  $("tab-closed").setAttribute("aria-selected", String(tab === "CLOSED"));
  $("list").scrollTop = 0;
  drawList();
}

// --- One conversation -----------------------------------------------------------------------------

async function openConversation(id) {
  if (!state.conversations.has(id)) return;
  state.openId = id;
  state.messages = new Map();
  $("messages").replaceChildren();
  $("reply-error").textContent = "";
  $("empty-state").hidden = true;
  $("conversation-view").hidden = false;
  drawList();
  drawConversation();
  await loadMessages(id);
  $("reply").focus();
}

// Reading the messages marks them seen by the agents.
async function loadMessages(id) {
  try {
    for (;;) {
      const after = highestOffset();
      const page = await api("GET", `/v1/agent/conversations/${encodeURIComponent(id)}/messages?after=${after}`);
      if (id !== state.openId) return;
      addMessages(page.messages);
      if (page.messages.length === 0 || highestOffset() >= page.lastOffset) break;
    }
    drawConversation();
  } catch (error) {
    if (id === state.openId) $("reply-error").textContent = "Loading the messages failed: " + error.message;
  }
}

let seenTimer = 0;
function markSeen(id) {
  clearTimeout(seenTimer);
  seenTimer = setTimeout(() => { if (id === state.openId) loadMessages(id); }, 50);
}

function highestOffset() {
  let highest = 0;
  for (const offset of state.messages.keys()) highest = Math.max(highest, offset);
  return highest;
}

function addMessages(messages) {
  for (const message of messages) state.messages.set(message.offset, message);
}

function drawConversation() {
  const conversation = state.conversations.get(state.openId);
  if (!conversation) return;
  $("conversation-subject").textContent = `#${conversation.number} ${conversation.subject}`;
  $("conversation-customer").textContent = conversation.customerName || "";
  const closed = conversation.status === "CLOSED";
  $("conversation-status").textContent = closed ? "Closed" : "Open";
  const label = conversation.scoreId ? state.scoreLabels.get(conversation.scoreId) || conversation.scoreId : "";
  $("conversation-rating").textContent = label ? "Rating: " + label : "";
  $("close-conversation").hidden = closed;
  $("reply").disabled = closed;
  $("send").disabled = closed;

  const list = $("messages");
  const atBottom = list.scrollHeight - list.scrollTop - list.clientHeight < 40;
  const ordered = [...state.messages.values()].sort((a, b) => a.offset - b.offset);
  // The customer has not seen the agent's newest `unseenActivityCount` messages.
  let unseen = conversation.unseenActivityCount || 0;
  const seen = new Map();
  for (let i = ordered.length - 1; i >= 0; i -= 1) {
    const message = ordered[i];
    if (message.direction !== "OUTBOUND" || message.contentType !== "TEXT") continue;
    seen.set(message.offset, unseen === 0);
    if (unseen > 0) unseen -= 1;
  }
  const items = ordered.map((message) => {
    const kind = message.direction === "INBOUND" ? "inbound" : message.direction === "OUTBOUND" ? "outbound" : "system";
    const item = element("li", "message " + kind);
    item.dataset.offset = String(message.offset);
    const text = message.contentType === "TEXT" ? message.message : message.eventDescription;
    item.append(element("div", "text", text));
    let meta = shortTime(message.createdDateTime);
    if (seen.has(message.offset)) meta += seen.get(message.offset) ? " · Seen" : " · Sent";
    item.append(element("div", "meta", meta));
    return item;
  });
  list.replaceChildren(...items);
  if (atBottom) list.scrollTop = list.scrollHeight;
}

async function sendReply() {
  const id = state.openId;
  const text = $("reply").value;
  if (!id || text.trim() === "") return;
  const key = crypto.randomUUID();
  $("reply-error").textContent = "";
  $("send").disabled = true;
  try {
    const message = await api("POST", `/v1/agent/conversations/${encodeURIComponent(id)}/messages`,
      { message: text, clientMessageId: key }, { retryKey: key });
    // Cleared only once stored, so that a failed reply is not lost.
    if ($("reply").value === text) $("reply").value = "";
    if (id === state.openId) {
      addMessages([message]);
      drawConversation();
    }
  } catch (error) {
    $("reply-error").textContent = error.status === 409 ? "The conversation is closed." : "Sending failed: " + error.message;
  } finally {
    const conversation = state.conversations.get(state.openId);
    $("send").disabled = Boolean(conversation && conversation.status === "CLOSED");
  }
}

async function closeConversation() {
  const id = state.openId;
  if (!id) return;
  try {
    upsert(await api("POST", `/v1/agent/conversations/${encodeURIComponent(id)}/close`));
    scheduleList();
    drawConversation();
    await loadMessages(id);
  } catch (error) {
    $("reply-error").textContent = "Closing failed: " + error.message;
  }
}

// --- Wiring ---------------------------------------------------------------------------------------

$("sign-in-form").addEventListener("submit", signIn);
$("sign-out").addEventListener("click", () => {
  // The desk ends the session too, so that a copy of the token is worth nothing.
  const token = state.token;
  signOut();
  if (token) fetch("/v1/agent/sessions/current", {
    method: "DELETE", headers: { "Authorization": "Bearer " + token }, keepalive: true, credentials: "omit",
  }).catch(() => {});
});
$("tab-open").addEventListener("click", () => selectTab("OPEN"));
$("tab-closed").addEventListener("click", () => selectTab("CLOSED"));
$("list").addEventListener("scroll", () => drawList(), { passive: true });
$("list").addEventListener("click", (event) => {
  const row = event.target.closest(".row");
  if (row) openConversation(row.dataset.id);
});
$("reply").addEventListener("keydown", (event) => {
  if (event.key === "Enter" && !event.shiftKey && !event.isComposing) {
    event.preventDefault();
    sendReply();
  }
});
$("reply-form").addEventListener("submit", (event) => {
  event.preventDefault();
  sendReply();
});
$("close-conversation").addEventListener("click", closeConversation);
window.addEventListener("resize", () => drawList());
